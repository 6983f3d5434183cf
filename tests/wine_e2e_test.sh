#!/usr/bin/env bash
# The Windows executables on a real Win32 implementation, Wine:
#  - hypercube-render.exe prints every reference frame byte for byte as the
#    Linux build does, and refuses bad input the same way;
#  - hypercube.exe opens maximised on a virtual X display and paints the same
#    edges and circles as the Linux frame tool (label boxes masked: the fonts
#    differ), follows the arrow keys, ignores other keys and exits 0 on Alt+F4.
# usage: wine_e2e_test.sh HYPERCUBE_EXE RENDER_EXE LINUX_RENDER FRAMES_DIR PREFIX_DIR
set -u
exe=$1
render_exe=$2
render=$3
frames=$4
prefix=$5
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=tests/lib.sh
. "$here/lib.sh"
need_tools wine wineboot Xvfb xdotool import compare convert
for f in "$exe" "$render_exe"; do
  if [ ! -f "$f" ]; then
    echo "SKIP: $f is not built (cmake --preset windows && cmake --build --preset windows)"
    exit 77
  fi
done

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
tmp=$(mktemp -d)
passed=0
failed=0
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# Wine reads the screen once, when its first process starts: the display
# must be there from the start.
start_xvfb 1280x800 || exit 1

# A prefix for headless runs, made once and kept in the build folder.
if [ ! -f "$prefix/system.reg" ]; then
  rm -rf "$prefix"
  wineboot --init >"$tmp/wineboot.log" 2>&1 || {
    echo "FAIL: wineboot: $(tail -n 5 "$tmp/wineboot.log")"
    exit 1
  }
  # Without a window manager Wine only maximises windows it manages itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # A crash must fail the test, not wait on a dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  cp /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null
  wineserver -w
fi

# JSON frames: the 80-bit arithmetic and its formatting on Windows.
if "$here/render_cli_test.sh" "$render_exe" "$frames" wine >"$tmp/cli.log" 2>&1; then
  ok
else
  bad "hypercube-render.exe under Wine: $(grep -v '^[0-9]* passed' "$tmp/cli.log" | head -n 20)"
fi


wine "$exe" >"$tmp/app.log" 2>&1 &
app_pid=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --classname hypercube.exe 2>/dev/null | head -n 1)
if [ -z "$window" ]; then
  bad "no window appeared; Wine said: $(head -c 500 "$tmp/app.log")"
  echo "$passed passed, $failed failed"
  exit 1
fi

# The client area starts below the caption: the first white pixel down the
# left edge. Maximised, it spans the screen's width.
client_top() {
  convert "$1" -crop 1x100+0+0 +repage txt:- |
    awk -F'[ :,]+' 'NR > 1 && /#FFFFFF/ {print $2; exit}'
}

# Waits up to 15 s until the screen's client area, label boxes masked, equals
# the Linux frame tool's frame of the same size and keys.
expect_frame() {
  local keys=$1 label=$2 diff=unknown top w=1280 h
  for _ in $(seq 150); do
    if import -window root "$tmp/screen.png" 2>/dev/null; then
      top=$(client_top "$tmp/screen.png")
      if [ -n "$top" ]; then
        h=$((800 - top))
        "$render" --size "${w}x${h}" --keys "$keys" --format png --output "$tmp/want.png"
        local draw=""
        while IFS=, read -r x y; do
          local bx=$((x + w / 2 + 5)) by=$((y + h / 2))
          draw="$draw rectangle $bx,$by $((bx + 23)),$((by + 19))"
        done < <("$render" --size "${w}x${h}" --keys "$keys" |
          sed 's/.*"points":\[\(.*\)\],"edges".*/\1/' | tr -d '[' | tr ']' '\n' | sed 's/^,//' | grep .)
        convert "$tmp/screen.png" -crop "${w}x${h}+0+${top}" +repage -fill black -draw "$draw" \
          "$tmp/got-masked.png"
        convert "$tmp/want.png" -fill black -draw "$draw" "$tmp/want-masked.png"
        diff=$(compare -metric AE "$tmp/got-masked.png" "$tmp/want-masked.png" null: 2>&1)
        if [ "$diff" = "0" ]; then
          ok
          return
        fi
      fi
    fi
    sleep 0.1
  done
  cp "$tmp/screen.png" "/tmp/hypercube-wine-$label.png" 2>/dev/null
  bad "$label: the Windows window differs from the frame tool's '$keys' frame in $diff pixels (see /tmp/hypercube-wine-$label.png)"
}

expect_frame "" start
xdotool key Up
expect_frame U up
xdotool key Left
expect_frame UL left
xdotool key Right
expect_frame ULR right
xdotool key Down
expect_frame ULRD down
xdotool key a space
sleep 0.5
expect_frame ULRD other-keys-ignored

xdotool key alt+F4
expect_exit 0 "Alt+F4 to hypercube.exe" 10
if grep -q "Unhandled" "$tmp/app.log"; then
  bad "hypercube.exe crashed: $(grep -m 3 Unhandled "$tmp/app.log")"
else
  ok
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
