# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154 # variables shared with the sourcing script
# Shared by the test scripts (and bench/figures). The helpers write to $tmp,
# the script's scratch folder, and count into passed and failed:
#   # shellcheck source=tests/lib.sh
#   . "$(cd "$(dirname "$0")" && pwd)/lib.sh"
#
# need_tools TOOL...        exits 77 (skip) naming the first TOOL not on PATH.
# need_built HOW FILE...    exits 77 (skip) naming the first FILE missing and
#                           HOW it is built.
# own_mounts ARGS...        re-runs the script with ARGS in a mount namespace
#                           of its own, unless it runs in one already: mounts
#                           made below vanish with it, however it ends.
# in_own_mounts CMD...      runs CMD in a mount namespace of its own.
# begin_test [PIDVAR...]    makes the scratch folder $tmp and zeroes the
#                           counts. At exit it kills the processes whose pids
#                           app_pid, each PIDVAR and xvfb_pid hold, runs the
#                           script's at_exit if it has one, and removes $tmp.
# ok / bad MESSAGE          count a passed / failed check; bad prints MESSAGE.
# finish                    prints the counts and exits, with 0 if none failed.
# poll SECONDS CMD...       runs CMD every 0.1 s until it succeeds (returns 0)
#                           or SECONDS have passed (returns 1).
# start_xvfb WxH [vnc]      starts Xvfb (or Xvnc, whose screen RandR resizes,
#                           as a remote desktop's) on a free display number;
#                           sets DISPLAY and xvfb_pid. Returns 1 after bad if
#                           it fails.
# screen_equals WANT [CROP] captures the screen (or its CROP, as WxH+X+Y) to
#                           $tmp/got.png once; true if it equals the PNG WANT.
#                           Sets diff to the number of differing pixels.
# wait_screen SECONDS WANT [CROP]
#                           screen_equals until true or SECONDS have passed.
# expect_screen LABEL SECONDS WHAT CMD...
#                           polls CMD, a check like screen_equals, for
#                           SECONDS: one ok, or one bad saying how many pixels
#                           of WHAT (two pictures) differ, and where if CMD
#                           sets area, with the capture kept in
#                           /tmp/hypercube-TEST-LABEL.png.
# wait_end PID SECONDS      waits up to SECONDS for PID (a child) to end; then
#                           reaps it, sets status and returns 0. Returns 1 if
#                           it still runs.
# expect_exit STATUS WHAT [SECONDS]
#                           waits (5 s unless told) for $app_pid to end after
#                           WHAT (a close request) with STATUS: one ok or bad,
#                           whose message quotes $tmp/app.err. Kills the
#                           program if it still runs; clears app_pid.
#
# A window on the X display, $window:
# find_window SECONDS SEARCH...
#                           sets window to the first visible window that
#                           `xdotool search SEARCH...` finds within SECONDS;
#                           false if none does.
# client [ID] / frame       prints its (or window ID's) client area on the
#                           screen (X Y W H) / the window manager's frame
#                           around it (left right top bottom).
# wm_state / maximized      prints its _NET_WM_STATE / whether it is
#                           maximised both ways.
# expect_maximized          one check that it is maximised within 10 s, one
#                           that it and its frame then fill the work area
#                           exactly ($wx $wy $ww $wh, as start_panel_wm sets).
#
# Frames on the screen, against $render's:
# expect_frame LABEL KEYS SECONDS LOCATOR...
#                           one check, polled for SECONDS, that the client
#                           area LOCATOR finds shows $render's frame after
#                           KEYS. LOCATOR prints "X Y W H [FW FH]": the W x H
#                           part of the screen at X, Y shows the top-left of a
#                           client area FW x FH (W x H unless given). With
#                           frame_mask set to "X0 Y0 X1 Y1" on the screen,
#                           that box is left out of the comparison.
# Locators: client (the window's client area), at_origin W H (a client area
# W x H at the screen's top-left, cut to the screen), below_white X Y W H [DX]
# (W wide from X, from the first white row of column X + DX at or below Y
# down to Y + H).
# first_white_row IMAGE CROP
#                           prints the first row of the column CROP (1xH+X+Y)
#                           of IMAGE holding a white pixel, counted from Y.
# start_panel_wm WM PANEL HEIGHT
#                           starts the window manager WM and the test panel
#                           PANEL, which reserves HEIGHT pixels at the top;
#                           waits for the work area to leave them out; sets
#                           wm_pid, bus_pid (its session bus), panel_pid and
#                           wx wy ww wh. Returns 1 after
#                           bad if the work area never does.
# start_weston SOCKET W H   starts weston with a WxH output on the X display
#                           and waits for its panel,
#                           its socket SOCKET in $tmp/runtime (exported as
#                           XDG_RUNTIME_DIR); sets weston_pid, weston_window
#                           and the output's place on the screen, ox oy.
#                           Returns 1 after bad if it does not start.
# focus_weston              gives weston's X window the keyboard, and then, by
#                           a click where the pointer is, the window there
#                           weston's: keys sent before either would be lost.
# wine_env PREFIX [OVERRIDES]
#                           exports Wine's settings for the tests: the prefix,
#                           no debug output, no Mono or Gecko (nor OVERRIDES).
# wine_prefix [KEY VALUE DATA]
#                           makes $WINEPREFIX if it has no registry yet: Wine's
#                           defaults, no crash dialog, Wine's fonts, and the
#                           registry value KEY\VALUE=DATA if given. Returns 1
#                           after bad if wineboot fails.
#
# A clean Debian root (needs root; scripts/build-deb and the package tests):
# debian_root CACHE ROOT [FROM]
#                           makes ROOT a copy of FROM, by default a minimal
#                           root of this machine's Debian release, made once
#                           with debootstrap into CACHE/base
#                           ($HYPERCUBE_DEBIAN_MIRROR, default deb.debian.org),
#                           with /proc mounted and the packages downloaded
#                           before (CACHE/archives) put back. Returns 1 after
#                           a message on stderr.
# in_root ROOT CMD...       runs CMD there as root in a clean environment.
# root_apt_update ROOT      apt-get update there, again once after a failure
#                           (a mirror mid-sync); then goes on with what it got.
# root_done CACHE ROOT      keeps its downloads in CACHE/archives, unmounts
#                           /proc and removes ROOT.

# The tests read and pass text as UTF-8 (the caption through xprop, bytes in
# arguments through Wine); a machine whose locale is unset is POSIX, where
# they would come out as escapes. Cases that want another locale set it.
case $(locale charmap 2>/dev/null) in
  UTF-8) ;;
  *) export LC_ALL=C.UTF-8 ;;
esac

need_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
      exit 77
    fi
  done
}

need_built() {
  local how=$1 file
  shift
  for file in "$@"; do
    if [ ! -f "$file" ]; then
      echo "SKIP: $file is not built ($how)"
      exit 77
    fi
  done
}

own_mounts() {
  if [ -z "${HYPERCUBE_OWN_MOUNTS:-}" ]; then
    HYPERCUBE_OWN_MOUNTS=1 exec unshare --mount --propagation private "$0" "$@"
  fi
}
in_own_mounts() { HYPERCUBE_OWN_MOUNTS=1 unshare --mount --propagation private "$@"; }

begin_test() {
  tmp=$(mktemp -d)
  passed=0
  failed=0
  pid_vars="app_pid $* bus_pid xvfb_pid"
  local var
  for var in $pid_vars; do
    printf -v "$var" %s ""
  done
  trap end_test EXIT
}
end_test() {
  local var
  for var in $pid_vars; do
    if [ -n "${!var:-}" ]; then
      kill "${!var}" 2>/dev/null || true
    fi
  done
  if declare -F at_exit >/dev/null; then
    at_exit || true
  fi
  rm -rf "$tmp"
}

ok() { passed=$((${passed:-0} + 1)); }
bad() {
  failed=$((${failed:-0} + 1))
  echo "FAIL: $*"
}

finish() {
  echo "$passed passed, $failed failed"
  exit $((failed > 0))
}

poll() {
  local seconds=$1 _
  shift
  for _ in $(seq $((seconds * 10))); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

start_xvfb() {
  rm -f "$tmp/display"
  if [ "${2:-}" = vnc ]; then
    Xvnc -displayfd 3 -geometry "$1" -depth 24 -SecurityTypes None -rfbport -1 -nolisten tcp -noreset \
      3>"$tmp/display" 2>"$tmp/xvfb.log" &
  else
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
  fi
  xvfb_pid=$!
  if ! poll 5 test -s "$tmp/display"; then
    bad "the X server did not start: $(cat "$tmp/xvfb.log")"
    return 1
  fi
  DISPLAY=":$(cat "$tmp/display")"
  export DISPLAY xvfb_pid
  # The number comes a moment before a loaded server takes clients. The
  # server never resets (-noreset): this probe's leaving would otherwise
  # reset it just as the test's first client comes.
  if ! poll 10 xdotool getdisplaygeometry >/dev/null 2>&1; then
    bad "the X server at $DISPLAY takes no client: $(cat "$tmp/xvfb.log")"
    return 1
  fi
}

screen_equals() {
  diff=unknown
  import -window root ${2:+-crop "$2" +repage} "$tmp/got.png" 2>/dev/null || return 1
  diff=$(compare -metric AE "$tmp/got.png" "$1" null: 2>&1)
  [ "$diff" = 0 ]
}

wait_screen() {
  local seconds=$1
  shift
  poll "$seconds" screen_equals "$@"
}

expect_screen() {
  local label=$1 seconds=$2 what=$3 name
  shift 3
  diff=unknown area=
  if poll "$seconds" "$@"; then
    ok
    return
  fi
  name=$(basename "$0" .sh)
  name=/tmp/hypercube-${name%_test}-$label.png
  cp "$tmp/got.png" "$name" 2>/dev/null
  bad "$label: $what: $diff pixels differ${area:+ at $area} (see $name)"
}

ended() { ! kill -0 "$1" 2>/dev/null; }
wait_end() {
  local pid=$1
  poll "$2" ended "$pid" || return 1
  wait "$pid"
  status=$?
  return 0
}

expect_exit() {
  local want=$1 what=$2
  if ! wait_end "$app_pid" "${3:-5}"; then
    bad "$what did not end the program"
    kill -KILL "$app_pid" 2>/dev/null
  elif [ "$status" -eq "$want" ]; then
    ok
  else
    bad "exit status $status after $what, not $want; stderr: $(head -c 400 "$tmp/app.err" 2>/dev/null)"
  fi
  app_pid=
}

find_window() {
  local seconds=$1
  shift
  window=$(timeout "$seconds" xdotool search --sync --onlyvisible "$@" 2>/dev/null | head -n 1)
  [ -n "$window" ]
}

client() {
  xwininfo -id "${1:-$window}" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
    /^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print x, y, w, h}'
}
frame() { xprop -id "$window" _NET_FRAME_EXTENTS | awk -F'[=,]' 'NF >= 5 {print $2, $3, $4, $5}'; }
wm_state() { xprop -id "$window" _NET_WM_STATE; }
maximized() {
  local s
  s=$(wm_state)
  [[ $s == *_NET_WM_STATE_MAXIMIZED_VERT* && $s == *_NET_WM_STATE_MAXIMIZED_HORZ* ]]
}
fills_work_area() {
  local x y w h l r t b
  read -r x y w h <<<"$(client)"
  read -r l r t b <<<"$(frame)"
  [ -n "$b" ] && [ $((x - l)) -eq "$wx" ] && [ $((y - t)) -eq "$wy" ] &&
    [ $((w + l + r)) -eq "$ww" ] && [ $((h + t + b)) -eq "$wh" ]
}
expect_maximized() {
  if poll 10 maximized; then ok; else bad "not maximised: $(wm_state)"; fi
  if poll 5 fills_work_area; then ok; else bad "maximised: client $(client), frame $(frame), work area $wx $wy $ww $wh"; fi
}

# The place and size are read every time, since a window manager may still
# be moving the window (openbox slides it back from the task bar).
rendered=
frame_matches() {
  local keys=$1 x y w h fw fh place
  shift
  place=$("$@") || return 1
  read -r x y w h fw fh <<<"$place"
  [ -n "$h" ] || return 1
  fw=${fw:-$w} fh=${fh:-$h}
  area="${w}x${h}+$x+$y"
  if [ "$rendered" != "${fw}x${fh} $area $keys" ]; then
    "$render" --size "${fw}x${fh}" --keys "$keys" --format png --output "$tmp/want.png" || return 1
    if [ "$fw $fh" != "$w $h" ]; then
      convert "$tmp/want.png" -crop "${w}x${h}+0+0" +repage "$tmp/want.png" || return 1
    fi
    rendered="${fw}x${fh} $area $keys"
  fi
  [ -n "${frame_mask:-}" ] || {
    screen_equals "$tmp/want.png" "$area"
    return
  }
  local x0 y0 x1 y1 box
  read -r x0 y0 x1 y1 <<<"$frame_mask"
  box="rectangle $((x0 - x)),$((y0 - y)) $((x1 - x)),$((y1 - y))"
  diff=unknown
  import -window root -crop "$area" +repage "$tmp/shot.png" 2>/dev/null || return 1
  convert "$tmp/shot.png" -fill black -draw "$box" "$tmp/got.png"
  convert "$tmp/want.png" -fill black -draw "$box" "$tmp/want-masked.png"
  diff=$(compare -metric AE "$tmp/got.png" "$tmp/want-masked.png" null: 2>&1)
  [ "$diff" = 0 ]
}
expect_frame() {
  local label=$1 keys=$2 seconds=$3
  shift 3
  expect_screen "$label" "$seconds" "the client area and the frame tool's '$keys' frame" \
    frame_matches "$keys" "$@"
}
at_origin() {
  local sw sh
  read -r sw sh <<<"$(xwininfo -root | awk '/^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print w, h}')"
  echo 0 0 $(($1 < sw ? $1 : sw)) $(($2 < sh ? $2 : sh)) "$1" "$2"
}
first_white_row() {
  convert "$1" -crop "$2" +repage txt:- | awk -F'[ :,]+' 'NR > 1 && /#FFFFFF/ {print $2; exit}'
}
below_white() {
  local top
  import -window root "$tmp/screen.png" 2>/dev/null || return 1
  top=$(first_white_row "$tmp/screen.png" "1x$4+$(($1 + ${5:-0}))+$2")
  [ -n "$top" ] || return 1
  echo "$1" $(($2 + top)) "$3" $(($4 - top))
}

# The work area as the window manager publishes it: X Y W H.
work_area() { xprop -root _NET_WORKAREA 2>/dev/null | awk -F'[=,]' 'NF >= 5 {print $2, $3, $4, $5}'; }
work_area_top_is() { [ "$(work_area | awk '{print $2}')" = "$1" ]; }
start_panel_wm() {
  local wm=$1 bus
  # On a session bus of its own, as on a desktop (xfwm4 keeps its settings
  # there and does not manage windows without them); the test ends the bus
  # with everything else it started.
  if dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$tmp/bus" 2>&1; then
    { read -r bus && read -r bus_pid; } <"$tmp/bus"
  else
    bad "dbus-daemon did not start: $(head -c 400 "$tmp/bus")"
    return 1
  fi
  case $wm in
    xfwm4) DBUS_SESSION_BUS_ADDRESS=$bus xfwm4 --compositor=off >"$tmp/wm.log" 2>&1 & ;;
    *) DBUS_SESSION_BUS_ADDRESS=$bus "$wm" >"$tmp/wm.log" 2>&1 & ;;
  esac
  wm_pid=$!
  "$2" "$3" &
  panel_pid=$!
  if ! poll 15 work_area_top_is "$3"; then
    bad "$wm did not take the panel into its work area ($(work_area)); it said: $(head -c 400 "$tmp/wm.log")"
    return 1
  fi
  read -r wx wy ww wh <<<"$(work_area)"
}

# Now and then weston's X11 output fails to come up on a busy machine
# ("failed to create compositor backend"): it is given three tries.
weston_output() { xwininfo -root -tree | awk '/"Weston Compositor/ {print $1; exit}'; }
weston_up() { [ -n "$(weston_output)" ] && [ -S "$XDG_RUNTIME_DIR/$1" ]; }
# Its panel in a colour of our own, so that we can see when it is up: a
# window mapped before weston's panel client has drawn is maximised to the
# whole output, under the panel.
weston_panel_up() {
  [ "$(import -window root -crop "1x1+$((ox + $1 / 2))+$((oy + 16))" +repage -depth 8 rgb:- 2>/dev/null |
    od -An -tx1 | tr -d ' ')" = 606060 ]
}
start_weston() {
  local try
  export XDG_RUNTIME_DIR=$tmp/runtime
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  printf '[shell]\npanel-color=0xff606060\nstartup-animation=none\n' >"$tmp/weston.ini"
  for try in 1 2 3; do
    weston --config="$tmp/weston.ini" --backend=x11-backend.so --use-pixman --socket="$1" \
      --width="$2" --height="$3" --idle-time=0 >"$tmp/weston.log" 2>&1 &
    weston_pid=$!
    if poll 15 weston_up "$1"; then
      weston_window=$(weston_output)
      read -r ox oy _ <<<"$(client "$weston_window")"
      poll 15 weston_panel_up "$2" && return 0
    fi
    kill "$weston_pid" 2>/dev/null
    wait "$weston_pid" 2>/dev/null
    weston_pid=
    [ $try = 3 ] || sleep 1
  done
  bad "weston did not start: $(tail -n 5 "$tmp/weston.log")"
  return 1
}

focused_on() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$(($1))" ]; }
focus_weston() {
  local _
  for _ in 1 2 3; do
    xdotool windowfocus "$weston_window" 2>/dev/null
    poll 2 focused_on "$weston_window" && break
  done
  xdotool click 1
  sleep 0.2
}

wine_env() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=${2:+;$2}"
}

wine_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  rm -rf "$WINEPREFIX"
  if ! wineboot --init >"$tmp/wineboot.log" 2>&1; then
    bad "wineboot: $(tail -n 5 "$tmp/wineboot.log")"
    return 1
  fi
  # A crash must fail the test, not wait on a dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  if [ $# -eq 3 ]; then
    wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1
  fi
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wineserver -w
}

debian_root() {
  local cache=$1 root=$2 from=${3:-$1/base} mirror=${HYPERCUBE_DEBIAN_MIRROR:-http://deb.debian.org/debian} codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  mkdir -p "$cache/archives"
  if [ ! -x "$cache/base/usr/bin/apt-get" ]; then
    echo "making a clean $codename root with debootstrap (once; kept in $cache/base)"
    rm -rf --one-file-system "$cache/base" "$cache/base.new"
    if ! debootstrap --variant=minbase "$codename" "$cache/base.new" "$mirror" \
      >"$cache/debootstrap.log" 2>&1; then
      echo "debootstrap failed: $(tail -n 5 "$cache/debootstrap.log")" >&2
      return 1
    fi
    # The sources a fresh install has: the release, its updates and security.
    {
      echo "deb $mirror $codename main"
      echo "deb $mirror $codename-updates main"
      echo "deb ${mirror%/debian}/debian-security $codename-security main"
    } >"$cache/base.new/etc/apt/sources.list"
    mv "$cache/base.new" "$cache/base"
  fi
  rm -rf --one-file-system "$root"
  cp -a "$from" "$root"
  cp -L /etc/resolv.conf "$root/etc/resolv.conf"
  find "$cache/archives" -maxdepth 1 -name '*.deb' -exec cp -t "$root/var/cache/apt/archives" {} +
  mount -t proc proc "$root/proc" || {
    echo "cannot mount /proc in $root" >&2
    return 1
  }
}

in_root() {
  local root=$1
  shift
  chroot "$root" env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/root \
    LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}

root_apt_update() {
  in_root "$1" apt-get update -qq && return 0
  echo "apt-get update failed; once more in 10 s" >&2
  sleep 10
  in_root "$1" apt-get update -qq || echo "apt-get update failed again; going on with what it got" >&2
}

root_done() {
  local cache=$1 root=$2
  [ -d "$root/var/cache/apt/archives" ] || return 0
  mkdir -p "$cache/archives"
  find "$root/var/cache/apt/archives" -maxdepth 1 -name '*.deb' -exec mv -f -t "$cache/archives" {} +
  umount "$root/proc" 2>/dev/null
  rm -rf --one-file-system "$root"
}
