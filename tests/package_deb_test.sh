#!/usr/bin/env bash
# The Debian package as a user gets it (scripts/build-deb builds it). Its
# control fields and files, lintian on it and its source package, its menu
# entry (valid, naming a program and an icon the package holds), then
# `apt install` of it into a clean Debian root made with debootstrap, with
# nothing but the package's declared dependencies added: there the installed
# frame tool must print the reference start-up frame and paint the same PNG
# as the build's tool, and the menu entry's command must open the window,
# paint that frame and end with status 0 on Alt+F4.
# The base root is kept in CACHE_DIR: only the first run downloads it.
# HYPERCUBE_DEBIAN_MIRROR chooses the mirror (default deb.debian.org).
# usage: package_deb_test.sh PACKAGE_DIR VERSION FRAMES_DIR RENDER CACHE_DIR
set -u
dir=$1 version=$2 frames=$3 render=$4 cache=$5

# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
need_tools dpkg-deb desktop-file-validate debootstrap chroot unshare Xvfb xdotool import compare \
  identify lintian appstreamcli man
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: installing into a clean root needs root (debootstrap, chroot, mount)"
  exit 77
fi
# shellcheck disable=SC1091
. /etc/os-release
if [ "${ID:-}" != debian ] || [ -z "${VERSION_CODENAME:-}" ]; then
  echo "SKIP: the package is checked on a clean root of the Debian release it was built on;" \
    "this machine is ${PRETTY_NAME:-not Debian}"
  exit 77
fi
arch=$(dpkg --print-architecture)
deb=$(find "$dir" -maxdepth 1 -name "hypercube_$version-*_$arch.deb" | head -n 1)
changes=${deb%.deb}.changes
if [ ! -f "$changes" ]; then
  echo "SKIP: no hypercube_$version-*_$arch.deb and .changes in $dir (scripts/package)"
  exit 77
fi

private_mounts "$@"
root=$cache/root-$$
begin_test
# A root that failed a check stays, to be looked into.
at_exit() {
  if [ "$failed" -ne 0 ] && [ -d "$root" ]; then
    echo "the root is left in $root to look into"
  else
    root_done "$cache" "$root"
  fi
}

# The package itself.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = hypercube ] && ok || bad "Package is '$(field Package)'"
[ "$(field Version | sed 's/-[^-]*$//')" = "$version" ] && ok ||
  bad "Version is '$(field Version)', not $version with a Debian revision"
depends=$(field Depends)
echo "Depends: $depends"
# Found in the binaries by dpkg-shlibdeps, each with the version it needs.
for lib in libc6 libstdc++6 libcairo2 libsdl2-2.0-0; do
  [[ ", $depends" == *", $lib (>= "* ]] && ok || bad "Depends has no versioned $lib"
done
[[ ", $depends," == *", fonts-wine,"* ]] && ok || bad "Depends lacks the labels' font"

# What a packager checks: no lintian error or warning on the source package
# and the binary ones (pedantic notes are listed, not failed, each explained
# in packaging/debian), valid AppStream data, man pages that render.
lint=$(lintian -I -E --pedantic --fail-on error,warning "$changes" 2>&1)
[ $? -eq 0 ] && ok || bad "lintian: $lint"
grep -v 'running with root privileges' <<<"$lint" | sed 's/^/  lintian: /'

pkg=$tmp/pkg
dpkg-deb -x "$deb" "$pkg"
metainfo=$(find "$pkg/usr/share/metainfo" -name '*.xml' 2>/dev/null | head -n 1)
if [ -z "$metainfo" ]; then
  bad "no AppStream metainfo in /usr/share/metainfo"
else
  check=$(appstreamcli validate --no-net "$metainfo" 2>&1) && ok || bad "appstreamcli: $check"
fi
for page in man6/hypercube.6.gz man1/hypercube-render.1.gz; do
  text=$(MANWIDTH=80 man -l "$pkg/usr/share/man/$page" 2>&1 >/dev/null)
  [ -z "$text" ] && [ -n "$(MANWIDTH=80 man -l "$pkg/usr/share/man/$page" 2>/dev/null)" ] && ok ||
    bad "man -l $page: ${text:-no text}"
done
for exe in hypercube hypercube-render; do
  [ -x "$pkg/usr/bin/$exe" ] && ok || bad "no /usr/bin/$exe in the package"
done
desktop=$pkg/usr/share/applications/hypercube.desktop
if [ ! -f "$desktop" ]; then
  bad "no /usr/share/applications/hypercube.desktop in the package"
  finish
fi
validate=$(desktop-file-validate "$desktop" 2>&1)
[ $? -eq 0 ] && [ -z "$validate" ] && ok || bad "desktop-file-validate: $validate"
entry() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
# The command without its field codes (%f, %U, ...), as a launcher runs it.
exec_line=$(entry Exec | sed 's/ *%[a-zA-Z]//g')
program=${exec_line%% *}
case $program in
  /*) path=$program ;;
  *) path=/usr/bin/$program ;;
esac
[ -x "$pkg$path" ] && ok || bad "Exec runs '$program', which is not $path in the package"
icon=$(entry Icon)
for size in 16 24 32 48 64 128 256; do
  png=$pkg/usr/share/icons/hicolor/${size}x$size/apps/$icon.png
  got=$(identify -format '%wx%h' "$png" 2>/dev/null)
  [ "$got" = "${size}x$size" ] && ok || bad "icon '$icon' at ${size}x$size: ${got:-missing}"
done
[ -s "$pkg/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] && ok ||
  bad "no scalable icon '$icon'"

# A clean root, with nothing of this machine's but what is passed.
debian_root "$cache" "$root" || {
  bad "no clean root"
  finish
}
# As in_root does, but a command that can run in the background as itself.
in_root=(chroot "$root" env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/root
  LANG=C.UTF-8)

if "${in_root[@]}" dpkg-query -W libcairo2 libsdl2-2.0-0 >/dev/null 2>&1; then
  bad "the base root already has the libraries the package needs: it proves nothing"
else
  ok
fi
cp "$deb" "$root/tmp/"
root_apt_update "$root"
if in_root "$root" apt install -y --no-install-recommends "/tmp/${deb##*/}" >"$tmp/apt.log" 2>&1; then
  ok
else
  bad "apt install in the clean root: $(grep -v '^WARNING: apt does not' "$tmp/apt.log" | tail -n 8)"
  finish
fi
[ "$("${in_root[@]}" dpkg-query -W -f='${Status}' hypercube)" = "install ok installed" ] && ok ||
  bad "dpkg does not have hypercube installed"
echo "apt installed $(grep -c '^Setting up' "$tmp/apt.log") packages into the clean root"

# The installed frame tool, with the root's libraries and fonts.
want_version="hypercube-render $version
Copyright (c) the hypercube authors. MIT License."
got=$("${in_root[@]}" hypercube-render --version 2>&1)
[ "$got" = "$want_version" ] && ok || bad "hypercube-render --version says '$got'"
if "${in_root[@]}" hypercube-render >"$tmp/start.json" 2>"$tmp/err" &&
  cmp -s "$tmp/start.json" "$frames/start.json"; then
  ok
else
  bad "the installed hypercube-render's start frame differs from $frames/start.json: $(head -c 300 "$tmp/err")"
fi
"$render" --size 1280x800 --format png --output "$tmp/want.png"
if "${in_root[@]}" hypercube-render --size 1280x800 --format png --output /tmp/start.png 2>"$tmp/err"; then
  diff=$(compare -metric AE "$root/tmp/start.png" "$tmp/want.png" null: 2>&1)
  [ "$diff" = 0 ] && ok || bad "the installed tool's PNG differs from the build's in $diff pixels"
else
  bad "the installed hypercube-render wrote no PNG: $(cat "$tmp/err")"
fi

# The menu entry's command, as a desktop launches it, on a virtual display.
start_xvfb 1280x800 || finish
"${in_root[@]}" DISPLAY="$DISPLAY" sh -c "exec $exec_line" 2>"$tmp/app.err" &
app_pid=$!
if ! find_window 10 --pid "$app_pid"; then
  bad "'$exec_line' from the menu entry opened no window: $(cat "$tmp/app.err")"
  finish
fi
wait_screen 10 "$root/tmp/start.png" && ok || bad "the installed program's first frame differs from the frame tool's in $diff pixels"
xdotool key alt+F4
expect_exit 0 "Alt+F4 to the installed program"

finish
