#!/usr/bin/env bash
# Runs one of the browser build's tests, or skips it when a tool or the build
# is missing.
# usage: web_test.sh frames RENDER.js FRAMES_DIR
#        web_test.sh page PAGE.html RENDER SCRATCH_DIR
#        web_test.sh app SITE_DIR RENDER SCRATCH_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
skip() {
  echo "SKIP: $*"
  exit 77
}
command -v node >/dev/null || skip "node is not installed (scripts/install-deps installs it)"
[ -e "$2" ] || skip "$2 is not built (scripts/build-web)"
case "$1" in
  frames) exec node "$here/frames_test.mjs" "$2" "$3" ;;
  page | app)
    command -v convert >/dev/null || skip "convert is not installed (scripts/install-deps installs it)"
    [ -x /usr/bin/chromium ] || skip "chromium is not installed (scripts/install-deps installs it)"
    [ -f "$here/node_modules/playwright-core/package.json" ] ||
      skip "playwright-core is not installed in $here (scripts/install-deps installs it)"
    [ "$1" = page ] || [ -f "$here/node_modules/axe-core/package.json" ] ||
      skip "axe-core is not installed in $here (scripts/install-deps installs it)"
    exec node "$here/${1}_test.mjs" "$2" "$3" "$4"
    ;;
esac
echo "usage: web_test.sh frames|page|app ..." >&2
exit 2
