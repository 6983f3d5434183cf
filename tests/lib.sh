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

# expect_exit_0 WHAT: waits up to 5 s for $app_pid to end after WHAT (a close
# request), then requires status 0; clears app_pid. Stderr is $tmp/app.err.
expect_exit_0() {
  for _ in $(seq 50); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$app_pid" 2>/dev/null; then
    bad "$1 did not end the program"
    return
  fi
  wait "$app_pid"
  local status=$?
  app_pid=
  [ $status -eq 0 ] && ok || bad "exit status $status after $1; stderr: $(cat "$tmp/app.err")"
}
