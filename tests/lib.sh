# Shared by the test scripts: counting checks, and a virtual X display.
# Source it after setting tmp to the script's scratch folder.

ok() { passed=$((passed + 1)); }
bad() {
  failed=$((failed + 1))
  echo "FAIL: $*"
}

# start_xvfb WxH: Xvfb on a free display number; sets DISPLAY and xvfb_pid.
start_xvfb() {
  rm -f "$tmp/display"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -s "$tmp/display" ] && break
    sleep 0.1
  done
  [ -s "$tmp/display" ] || {
    echo "FAIL: Xvfb did not start: $(cat "$tmp/xvfb.log")"
    exit 1
  }
  export DISPLAY=":$(cat "$tmp/display")"
}
