#!/usr/bin/env bash
# The Windows zip as a user gets it: one folder with the two executables and
# the read-me, both executables carrying the version, and the frame tool from
# the zip passing the frame tool's whole check under Wine, --version included.
# usage: package_zip_test.sh PACKAGE_DIR VERSION FRAMES_DIR PREFIX_DIR
set -u
dir=$1
version=$2
frames=$3
prefix=$(realpath -m "$4")  # Wine takes absolute paths only
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=tests/lib.sh
. "$here/lib.sh"
need_tools unzip strings wine wineboot wineserver
name=hypercube-$version-win64
zip=$dir/$name.zip
need_built scripts/package "$zip"

# The JSON tool needs no display.
unset DISPLAY WAYLAND_DISPLAY
wine_env "$prefix"
begin_test
at_exit() { wineserver -k 2>/dev/null; }

echo "$zip:"
unzip -Z1 "$zip" | tee "$tmp/list" | sed 's/^/  /'
want="$name/COPYRIGHT.txt
$name/LICENSE.txt
$name/README.txt
$name/hypercube-render.exe
$name/hypercube.exe"
[ "$(sort "$tmp/list")" = "$want" ] && ok || bad "the zip should hold exactly: $want"
unzip -q "$zip" -d "$tmp" || bad "unzip failed"
folder=$tmp/$name

readme=$folder/README.txt
for text in "hypercube $version" hypercube.exe "hypercube-render.exe --size" "Up, Down" \
  "Left, Right" Alt+F4 "Windows protected your PC"; do
  grep -qF -- "$text" "$readme" && ok || bad "README.txt does not say '$text'"
done
# Windows line ends, for Notepad of any age.
[ "$(grep -vc $'\r$' "$readme")" = 0 ] && ok || bad "README.txt has lines not ending in CR LF"

# The version resource that Explorer shows under Properties > Details.
for exe in hypercube.exe hypercube-render.exe; do
  for key in FileVersion ProductVersion; do
    got=$(strings -el "$folder/$exe" | grep -A1 -x "$key" | sed -n 2p)
    [ "$got" = "$version" ] && ok || bad "$exe: $key is '$got', not $version"
  done
done

# A prefix of its own, made once and kept in the build folder.
wine_prefix || finish

render=$folder/hypercube-render.exe
want_version="hypercube-render $version
Copyright (c) the hypercube authors. MIT License."
got=$(wine "$render" --version 2>&1 | tr -d '\r')
[ "$got" = "$want_version" ] && ok || bad "hypercube-render.exe --version says '$got'"
if "$here/render_cli_test.sh" "$render" "$frames" wine >"$tmp/cli.log" 2>&1; then
  ok
else
  bad "the zip's hypercube-render.exe under Wine: $(grep -v '^[0-9]* passed' "$tmp/cli.log" | head -n 20)"
fi

finish
