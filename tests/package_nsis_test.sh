#!/usr/bin/env bash
# The Windows installer as a user runs it, under Wine: a silent install for
# the current user, the installed program and frame tool run, the Start-menu
# shortcut and the Apps and Features entry exist, and the uninstaller takes
# away everything the installer put there.
# usage: package_nsis_test.sh PACKAGE_DIR VERSION PREFIX_DIR
set -u
dir=$1
version=$2
prefix=$(realpath -m "$3") # Wine takes absolute paths only
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=tests/lib.sh
. "$here/lib.sh"
need_tools wine wineboot wineserver winepath Xvfb xdotool
installer=$dir/hypercube-$version-win64.exe
need_built scripts/package "$installer"

unset WAYLAND_DISPLAY
# No menu entries on the host for what Wine installs.
wine_env "$prefix" winemenubuilder.exe=d
begin_test
at_exit() { wineserver -k 2>/dev/null; }

start_xvfb 1024x768 || finish
wine_prefix || finish

# What the prefix holds before, to compare with what the uninstaller leaves.
# The per-user programs folder the installer may create is the system's,
# shared with other programs, and stays.
snapshot() {
  (cd "$prefix/drive_c" && find . -path ./windows -prune -o -print |
    grep -v -e '/Temp\b' -e '^\./users/[^/]*/AppData/Local/Programs$' | sort)
}
snapshot >"$tmp/before"
reg_key() { wine reg query "$1" >/dev/null 2>&1; }

wine "$installer" /S /CurrentUser >"$tmp/install.log" 2>&1
status=$?
wineserver -w
[ "$status" -eq 0 ] && ok || bad "the installer ended with status $status: $(head -c 400 "$tmp/install.log")"

key='HKCU\Software\hypercube'
win_dir=$(wine reg query "$key" /v InstallDir 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
if [ -z "$win_dir" ]; then
  bad "the installer recorded no InstallDir under $key"
  finish
fi
inst=$(winepath -u "$win_dir" 2>/dev/null | tr -d '\r')
for f in hypercube.exe hypercube-render.exe uninstall.exe README.txt LICENSE.txt COPYRIGHT.txt; do
  [ -f "$inst/$f" ] && ok || bad "$win_dir has no $f"
done
reg_key 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\hypercube' && ok ||
  bad "no Apps and Features entry"
programs=$(winepath -u 'C:\users' | tr -d '\r')
link=$(find "$programs" -path '*/Start Menu/Programs/Hypercube.lnk' 2>/dev/null | head -n 1)
[ -n "$link" ] && ok || bad "no Start-menu shortcut Hypercube.lnk"

got=$(wine "$inst/hypercube-render.exe" --version 2>&1 | tr -d '\r' | head -n 1)
[ "$got" = "hypercube-render $version" ] && ok || bad "the installed frame tool says '$got'"

wine "$inst/hypercube.exe" >"$tmp/app.err" 2>&1 &
app_pid=$!
if find_window 30 --classname hypercube.exe; then
  ok
  xdotool key alt+F4
  expect_exit 0 "Alt+F4 to the installed hypercube.exe" 10
else
  bad "the installed hypercube.exe showed no window: $(head -c 400 "$tmp/app.err")"
  kill -KILL "$app_pid" 2>/dev/null
  app_pid=
fi
wineserver -w

# The uninstaller copies itself away and runs from there; wineserver -w
# waits for that copy too.
wine "$inst/uninstall.exe" /S /CurrentUser >"$tmp/uninstall.log" 2>&1
wineserver -w
[ ! -e "$inst" ] && ok || bad "the uninstaller left $win_dir: $(ls -A "$inst")"
[ -z "$link" ] || [ ! -e "$link" ] && ok || bad "the uninstaller left the Start-menu shortcut"
reg_key "$key" && bad "the uninstaller left $key" || ok
reg_key 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\hypercube' &&
  bad "the uninstaller left the Apps and Features entry" || ok
snapshot >"$tmp/after"
left=$(comm -13 "$tmp/before" "$tmp/after")
[ -z "$left" ] && ok || bad "left behind in the prefix: $left"
finish
