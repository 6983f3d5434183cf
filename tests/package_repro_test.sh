#!/usr/bin/env bash
# The Windows executables, the zip, the installer and the page are the same
# bytes from another build: the committed tree (with changes to tracked files)
# copied elsewhere, built there later, under another umask, locale and time
# zone, must give exactly what scripts/package gave in WINDOWS_BUILD and
# WEB_BUILD.
# usage: package_repro_test.sh SOURCE_DIR WINDOWS_BUILD WEB_BUILD VERSION
set -u
src=$1 windows=$2 web=$3 version=$4

# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
need_tools git cmake cpack dpkg-parsechangelog
artefacts=("$windows/shell/hypercube.exe" "$windows/tools/hypercube-render.exe"
  "$windows/hypercube-$version-win64.zip" "$windows/hypercube-$version-win64.exe"
  "$web/hypercube-$version-web.html")
for f in "${artefacts[@]}"; do
  if [ ! -f "$f" ]; then
    echo "SKIP: $f is not built (scripts/package)"
    exit 77
  fi
done
begin_test

commit=HEAD
git -C "$src" diff --quiet HEAD || commit=$(git -C "$src" stash create)
other=$tmp/some/other/place
mkdir -p "$other"
git -C "$src" archive "$commit" | tar -x -C "$other"
(
  umask 0002
  export LC_ALL=C LANG=C TZ=XYZ-14
  SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(dpkg-parsechangelog -l "$src/packaging/debian/changelog" -S Timestamp)}
  export SOURCE_DATE_EPOCH
  cd "$other" &&
    cmake --preset windows &&
    cmake --build --preset windows -j "$(nproc)" &&
    TZ=UTC0 cpack --preset windows && # as scripts/package packs
    cmake --preset web &&
    cmake --build --preset web -j "$(nproc)"
) >"$tmp/build.log" 2>&1 || {
  bad "the second build failed: $(tail -n 20 "$tmp/build.log")"
  finish
}

for f in "${artefacts[@]}"; do
  case $f in
    "$windows"/*) again=$other/build-windows/${f#"$windows"/} ;;
    *) again=$other/build-web/${f#"$web"/} ;;
  esac
  if cmp "$f" "$again"; then
    ok
  else
    bad "${f##*/} differs between two builds"
  fi
done
finish
