#!/usr/bin/env bash
# The source package as a distribution treats it. Built a second time from
# the .dsc scripts/package made, again in a clean root, but later, as another
# user, in another directory, under another umask, locale and time zone, and
# with nocheck: every .deb must equal the first build's byte for byte. Then
# autopkgtest runs the package's DEP-8 tests (debian/tests) against the .deb
# in that root.
# usage: package_debian_test.sh PACKAGE_DIR VERSION
set -u
dir=$1 version=$2
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=tests/lib.sh
. "$here/lib.sh"
need_tools debootstrap dpkg-deb chroot unshare
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: building in a clean root needs root (debootstrap, chroot, mount)"
  exit 77
fi
dsc=$(find "$dir/src" -maxdepth 1 -name "hypercube_$version-*.dsc" 2>/dev/null | head -n 1)
if [ -z "$dsc" ]; then
  echo "SKIP: no hypercube_$version-*.dsc in $dir/src (scripts/package)"
  exit 77
fi
begin_test

if "$here/../scripts/build-deb" --from "$dsc" --out "$tmp/again" --user someone-else \
  --dir /srv/another/place --umask 0002 --locale C --tz XYZ-14 --options "nocheck parallel=$(nproc)" \
  --autopkgtest >"$tmp/log" 2>&1; then
  ok
else
  bad "the second build or autopkgtest failed:"
fi
sed 's/^/  /' "$tmp/log"

for again in "$tmp/again"/*.deb; do
  [ -f "$again" ] || break
  first=$dir/${again##*/}
  if cmp -s "$first" "$again"; then
    ok
  else
    bad "${again##*/} differs between the two builds"
    diff <(dpkg-deb -I "$first" && dpkg-deb -c "$first") \
      <(dpkg-deb -I "$again" && dpkg-deb -c "$again") | head -n 20
    mkdir -p "$tmp/1" "$tmp/2"
    dpkg-deb -x "$first" "$tmp/1" && dpkg-deb -x "$again" "$tmp/2"
    diff -rq "$tmp/1" "$tmp/2" | head -n 10
    rm -rf "$tmp/1" "$tmp/2"
  fi
done
[ "$passed" -ge 3 ] || bad "the second build made no .deb to compare"
finish
