#!/usr/bin/env bash
# The Debian package scripts/build-deb builds, as a packager checks it: its
# control fields and files, lintian on it and its source package, its menu
# entry (valid, naming a program and an icon the package holds), its
# AppStream data and man pages. The package installed in a clean root, and
# used there, is package_debian's (autopkgtest).
# usage: package_deb_test.sh PACKAGE_DIR VERSION
set -u
dir=$1 version=$2

# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
need_tools dpkg-deb desktop-file-validate identify lintian appstreamcli man
arch=$(dpkg --print-architecture)
deb=$(find "$dir" -maxdepth 1 -name "hypercube_$version-*_$arch.deb" | head -n 1)
changes=${deb%.deb}.changes
need_built scripts/package "$changes"

begin_test

# The package itself.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = hypercube ] && ok || bad "Package is '$(field Package)'"
[ "$(field Version | sed 's/-[^-]*$//')" = "$version" ] && ok ||
  bad "Version is '$(field Version)', not $version with a Debian revision"
depends=$(field Depends)
echo "Depends: $depends"
# Found in the binaries by dpkg-shlibdeps, each with the version it needs.
for lib in libc6 libstdc++6 libcairo2 libsdl2-2.0-0 libwayland-client0 libxkbcommon0; do
  [[ ", $depends" == *", $lib (>= "* ]] && ok || bad "Depends has no versioned $lib"
done

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

finish
