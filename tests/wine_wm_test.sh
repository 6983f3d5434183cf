#!/usr/bin/env bash
# The Windows build under Wine as users run it on a Linux desktop: windows
# managed by the window manager (Wine's default), here openbox with a panel
# that reserves the top of the screen. hypercube.exe opens maximised inside
# the work area, paints the same edges and circles as the Linux frame tool
# for its client size (label boxes masked: the fonts differ), follows a key
# and exits 0 on Alt+F4.
# usage: wine_wm_test.sh HYPERCUBE_EXE LINUX_RENDER PANEL PREFIX_DIR
set -u
exe=$1
render=$2
panel=$3
prefix=$4
# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
need_tools wine wineboot wineserver Xvfb openbox dbus-run-session xdotool xprop xwininfo import \
  compare convert
if [ ! -f "$exe" ]; then
  echo "SKIP: $exe is not built (cmake --preset windows && cmake --build --preset windows)"
  exit 77
fi

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
tmp=$(mktemp -d)
passed=0
failed=0
app_pid=
wm_pid=
panel_pid=
xvfb_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  for pid in "$panel_pid" "$wm_pid" "$xvfb_pid"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
  done
  rm -rf "$tmp"
}
trap cleanup EXIT

# Wine reads the screen once, when its first process starts.
start_xvfb 1280x800 || exit 1
dbus-run-session -- openbox >"$tmp/wm.log" 2>&1 &
wm_pid=$!
panel_height=40
"$panel" $panel_height &
panel_pid=$!
work_area() { xprop -root _NET_WORKAREA 2>/dev/null | awk -F'[=,]' 'NF >= 5 {print $2, $3, $4, $5}'; }
panel_counted() { [ "$(work_area | awk '{print $2}')" = $panel_height ]; }
if ! poll 15 panel_counted; then
  echo "FAIL: openbox did not take the panel into its work area: $(head -c 400 "$tmp/wm.log")"
  exit 1
fi
read -r wx wy ww wh <<<"$(work_area)"

# A prefix of Wine's defaults, made once and kept in the build folder.
if [ ! -f "$prefix/system.reg" ]; then
  rm -rf "$prefix"
  wineboot --init >"$tmp/wineboot.log" 2>&1 || {
    echo "FAIL: wineboot: $(tail -n 5 "$tmp/wineboot.log")"
    exit 1
  }
  # A crash must fail the test, not wait on a dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  cp /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null
  wineserver -w
fi

wine "$exe" >"$tmp/app.log" 2>&1 &
app_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --classname hypercube.exe 2>/dev/null | head -n 1)
if [ -z "$window" ]; then
  bad "no window appeared; Wine said: $(head -c 500 "$tmp/app.log")"
  echo "$passed passed, $failed failed"
  exit 1
fi

# A managed window's X window is its client area; the frame is openbox's.
client() { xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
  /^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print x, y, w, h}'; }
frame() { xprop -id "$window" _NET_FRAME_EXTENTS | awk -F'[=,]' 'NF >= 5 {print $2, $3, $4, $5}'; }
maximized() {
  local s
  s=$(xprop -id "$window" _NET_WM_STATE)
  [[ $s == *_NET_WM_STATE_MAXIMIZED_VERT* && $s == *_NET_WM_STATE_MAXIMIZED_HORZ* ]]
}
fills() {
  local x y w h l r t b
  read -r x y w h <<<"$(client)"
  read -r l r t b <<<"$(frame)"
  [ -n "$b" ] && [ $((x - l)) -eq "$wx" ] && [ $((y - t)) -eq "$wy" ] &&
    [ $((w + l + r)) -eq "$ww" ] && [ $((h + t + b)) -eq "$wh" ]
}
if poll 10 maximized; then ok; else bad "not maximised: $(xprop -id "$window" _NET_WM_STATE)"; fi
if poll 5 fills; then ok; else bad "maximised: client $(client), frame $(frame), work area $wx $wy $ww $wh"; fi

# Whether the client area, label boxes masked, equals the Linux frame tool's
# frame of its size after `keys`.
client_matches() {
  local keys=$1 x y w h draw=""
  read -r x y w h <<<"$(client)"
  import -window root -crop "${w}x${h}+$x+$y" +repage "$tmp/got.png" 2>/dev/null || return 1
  "$render" --size "${w}x${h}" --keys "$keys" --format png --output "$tmp/want.png" || return 1
  while IFS=, read -r px py; do
    local bx=$((px + w / 2 + 5)) by=$((py + h / 2))
    draw="$draw rectangle $bx,$by $((bx + 23)),$((by + 19))"
  done < <("$render" --size "${w}x${h}" --keys "$keys" |
    sed 's/.*"points":\[\(.*\)\],"edges".*/\1/' | tr -d '[' | tr ']' '\n' | sed 's/^,//' | grep .)
  convert "$tmp/got.png" -fill black -draw "$draw" "$tmp/got-masked.png"
  convert "$tmp/want.png" -fill black -draw "$draw" "$tmp/want-masked.png"
  diff=$(compare -metric AE "$tmp/got-masked.png" "$tmp/want-masked.png" null: 2>&1)
  [ "$diff" = 0 ]
}
expect_frame() {
  local keys=$1 label=$2
  diff=unknown
  if poll 15 client_matches "$keys"; then
    ok
    return
  fi
  cp "$tmp/got.png" "/tmp/hypercube-wine-wm-$label.png" 2>/dev/null
  bad "$label: the client area $(client) differs from the frame tool's '$keys' frame in $diff pixels (see /tmp/hypercube-wine-wm-$label.png)"
}

expect_frame "" start
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key Up
expect_frame U up

xdotool key alt+F4
expect_exit 0 "Alt+F4 to hypercube.exe" 10
if grep -q "Unhandled" "$tmp/app.log"; then
  bad "hypercube.exe crashed: $(grep -m 3 Unhandled "$tmp/app.log")"
else
  ok
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
