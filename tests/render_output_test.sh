#!/usr/bin/env bash
# The frame tool's --output as a careless or hostile user tries it: every kind
# of path, interruptions, limits of size and memory, long names, parallel
# writers. After every failure the old file is there byte for byte and no
# temporary is left. Cases about permissions run as nobody; those that touch
# /dev or hide /proc run in a private mount namespace (as root; without root
# they are left out, and said so).
# usage: render_output_test.sh TOOL HEADLESS
set -u
tool=$(realpath "$1")
headless=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=tests/lib.sh
. "$here/lib.sh"
need_tools setpriv unshare mkfifo env
begin_test
chmod 755 "$tmp"

small=(--size 64x48 --keys UUL --format png)
"$tool" "${small[@]}" --output "$tmp/ref.png" || {
  echo "FAIL: no reference frame"
  exit 1
}
root=no
[ "$(id -u)" -eq 0 ] && root=yes
nobody=$(id -u nobody)
nogroup=$(id -g nobody)
as_nobody() { setpriv --reuid="$nobody" --regid="$nogroup" --clear-groups "$@"; }

# Temporaries of ours or of the old code in DIR.
temps_in() { find "$1" -maxdepth 1 \( -name '.hypercube-*' -o -name '*.tmp-*' \) 2>/dev/null; }
# FILE with old content, saved to compare with.
make_old() {
  printf 'the old frame of %s\n' "$1" >"$1"
  cat "$1" >"$tmp/saved"
}

# refused WANT FILE CMD...: status 2, one line with WANT, FILE (if any) as it
# was, and no temporary beside it.
refused() {
  local want=$1 file=$2
  shift 2
  "$@" >"$tmp/out" 2>"$tmp/err"
  local status=$? why=
  [ $status -eq 2 ] || why="status $status"
  [ "$(wc -l <"$tmp/err")" -eq 1 ] && grep -q -- "$want" "$tmp/err" || why="$why, no one line '$want'"
  [ -z "$file" ] || cmp -s "$file" "$tmp/saved" || why="$why, the old file changed"
  [ -z "$(temps_in "$(dirname "${file:-$tmp/none}")")" ] || why="$why, a temporary is left"
  [ -z "$why" ] && ok || bad "$*: $why; stderr: $(head -c 300 "$tmp/err")"
}

# written FILE CMD...: status 0 and FILE is the reference frame.
written() {
  local file=$1
  shift
  if "$@" 2>"$tmp/err" && cmp -s "$file" "$tmp/ref.png" &&
    [ -z "$(temps_in "$(dirname "$file")")" ]; then
    ok
  else
    bad "$*: $file is not the frame: $(head -c 300 "$tmp/err")"
  fi
}

# Cases that touch /dev: run by this script inside a private mount namespace,
# on a /dev of its own, so that a faulty tool cannot replace the system's.
dev_cases() {
  mount -t tmpfs -o mode=755 hc-dev /dev || return 1
  mknod -m 666 /dev/null c 1 3 && mknod -m 666 /dev/full c 1 7 || return 1
  ln -s /proc/self/fd/1 /dev/stdout
  "$tool" "${small[@]}" --output /dev/null && [ -c /dev/null ] && ok ||
    bad "--output /dev/null: now a $(stat -c %F /dev/null)"
  : >"$tmp/saved"
  refused "cannot write '/dev/full': No space left on device" "" "$tool" "${small[@]}" --output /dev/full
  refused "cannot write '/dev/full': No space left on device" "" "$tool" --format svg --output /dev/full
  [ -c /dev/full ] && [ -z "$(temps_in /dev)" ] && ok || bad "/dev/full is a $(stat -c %F /dev/full), or a temporary in /dev"
  # A PNG piped through /dev/stdout, by root and by anyone.
  "$tool" "${small[@]}" --output /dev/stdout | cat >"$tmp/piped"
  cmp -s "$tmp/piped" "$tmp/ref.png" && ok || bad "root: --output /dev/stdout through a pipe"
  as_nobody "$tool" "${small[@]}" --output /dev/stdout 2>"$tmp/err" | cat >"$tmp/piped"
  cmp -s "$tmp/piped" "$tmp/ref.png" && ok || bad "nobody: --output /dev/stdout through a pipe: $(cat "$tmp/err")"
  "$tool" "${small[@]}" --output /dev/stdout >"$tmp/stdout2.png" &&
    cmp -s "$tmp/stdout2.png" "$tmp/ref.png" && ok || bad "--output /dev/stdout into a file"
  [ -L /dev/stdout ] && ok || bad "/dev/stdout is no longer a symlink"
  as_nobody "$tool" "${small[@]}" --output /dev/null && [ -c /dev/null ] && ok || bad "nobody: --output /dev/null"
}

# Interrupted runs leave the old file and nothing else; MODE unnamed waits
# for the tool's unnamed file, named for its hidden temporary (no /proc).
signal_cases() {
  local mode=$1 sig pid status
  for sig in INT TERM HUP $([ "$mode" = unnamed ] && echo KILL); do
    make_old "$tmp/sig/big.png"
    env --default-signal=INT "$tool" --size 16384x16384 --format png --output "$tmp/sig/big.png" &
    pid=$!
    if [ "$mode" = unnamed ]; then
      poll 10 sh -c "ls -l /proc/$pid/fd 2>/dev/null | grep -q '#.*(deleted)'"
    else
      poll 10 sh -c "[ -n \"\$(find '$tmp/sig' -name '.hypercube-*')\" ]"
    fi
    kill -s "$sig" "$pid"
    wait "$pid" 2>/dev/null
    status=$?
    if [ $status -gt 128 ] && cmp -s "$tmp/sig/big.png" "$tmp/saved" && [ -z "$(temps_in "$tmp/sig")" ]; then
      ok
    else
      bad "SIG$sig ($mode temporary): status $status, $(temps_in "$tmp/sig" | wc -l) temporaries left, old file $(cmp -s "$tmp/sig/big.png" "$tmp/saved" && echo kept || echo lost)"
    fi
  done
}

case ${3:-} in
  --dev | --no-proc)
    mkdir -p "$tmp/sig"
    if [ "$3" = --dev ]; then dev_cases; else
      mount -t tmpfs hc-no-proc /proc && signal_cases named
    fi
    echo "inner: ${passed:-0} ${failed:-0}"
    exit 0
    ;;
esac
inner() {
  local line
  line=$(in_own_mounts "$here/render_output_test.sh" "$tool" "$headless" "$1" | tee /dev/stderr | grep '^inner: ')
  if [ -z "$line" ]; then
    bad "the $1 namespace cases did not run"
    return
  fi
  read -r _ p f <<<"$line"
  passed=$((${passed:-0} + p))
  failed=$((${failed:-0} + f))
}

# --- Every kind of path, as root or the user running the test.
mkdir "$tmp/a" "$tmp/a/sub" "$tmp/sig"
cd "$tmp/a" || exit 1
make_old real.png
ln -s real.png link.png
written real.png "$tool" "${small[@]}" --output link.png
[ -L link.png ] && ok || bad "the symlink was replaced"
ln -s sub/made.png dangling.png
written sub/made.png "$tool" "${small[@]}" --output dangling.png
make_old one.png
ln one.png two.png
written two.png "$tool" "${small[@]}" --output one.png
[ "$(stat -c %h one.png)" = 2 ] && cmp -s one.png two.png && ok || bad "the hard link was split"
for mode in 444 750 4755; do
  make_old "m$mode.png"
  chmod "$mode" "m$mode.png"
  written "m$mode.png" "$tool" "${small[@]}" --output "m$mode.png"
  [ "$(stat -c %a "m$mode.png")" = "$mode" ] && ok || bad "mode $mode became $(stat -c %a "m$mode.png")"
done
(umask 027 && "$tool" "${small[@]}" --output new.png)
[ "$(stat -c %a new.png)" = 640 ] && ok || bad "a new file under umask 027 has mode $(stat -c %a new.png)"
mkfifo fifo
timeout 10 cat fifo >"$tmp/from-fifo" &
"$tool" "${small[@]}" --output fifo
wait $!
[ -p fifo ] && cmp -s "$tmp/from-fifo" "$tmp/ref.png" && ok || bad "the FIFO was not written through"
"$tool" "${small[@]}" --output - >"$tmp/stdout.png" && cmp -s "$tmp/stdout.png" "$tmp/ref.png" && ok || bad "--output -"
make_old "$tmp/a/kept.png"
refused "'.' is a directory" "" "$tool" "${small[@]}" --output .
refused "'/' is a directory" "" "$tool" "${small[@]}" --output /
refused "'sub/' is a directory" "" "$tool" "${small[@]}" --output sub/
refused "'sub' is a directory" "" "$tool" --format svg --output sub
refused "there is no directory 'missing'" "" "$tool" "${small[@]}" --output missing/f.png
refused "'kept.png/': it ends in '/' but is not a directory" kept.png "$tool" "${small[@]}" --output kept.png/
refused "cannot write 'self.png': Too many levels of symbolic links" "" \
  sh -c "ln -s self.png self.png && \"$tool\" ${small[*]} --output self.png"
rm -f self.png

# --- Names as long as the system allows: 255 bytes, and a path of PATH_MAX - 1.
long=$(printf 'n%.0s' {1..255})
make_old "$long"
written "$long" "$tool" "${small[@]}" --output "$long"
deep=$tmp/deep
while [ $((${#deep} + 201 + 256)) -le 4095 ]; do deep=$deep/$(printf 'd%.0s' {1..200}); done
rest=$((4095 - ${#deep} - 1 - 255 - 1))
[ $rest -gt 0 ] && deep=$deep/$(printf 'e%.0s' $(seq $rest))
mkdir -p "$deep"
deepfile=$deep/$long
if touch "$deepfile" && [ ${#deepfile} -eq 4095 ]; then
  make_old "$deepfile"
  written "$deepfile" "$tool" "${small[@]}" --output "$deepfile"
else
  bad "the test could not make a path of 4095 bytes"
fi

# --- Limits: file size (SIGXFSZ), for a replaced file, one written in place
# and an SVG; memory.
make_old big.png
refused "cannot write 'big.png': File too large" big.png \
  sh -c "ulimit -f 16 && exec \"$tool\" --size 7680x4320 --format png --output big.png"
ln big.png big-link.png
refused "cannot write 'big.png': File too large" big.png \
  sh -c "ulimit -f 16 && exec \"$tool\" --size 7680x4320 --format png --output big.png"
rm big-link.png
refused "cannot write 'big.png': File too large" big.png \
  sh -c "ulimit -f 1 && exec \"$tool\" --size 4000x4000 --format svg --output big.png"
if [ -n "${HC_SANITIZED:-}" ]; then
  echo "NOTE: a sanitizer build: the memory limit cases are left out"
else
  if (ulimit -v 400000 && "$tool" --size 16384x16384 --format png --output big.png 2>"$tmp/err") &&
    [ "$(head -c 24 big.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a0000000d494844520000400000004000 ]; then
    ok
  else
    bad "16384x16384 under ulimit -v 400000: $(cat "$tmp/err")"
  fi
  # Lower, allocations fail somewhere: one line and status 2, never an abort.
  out_of_memory=0
  for limit in 16000 20000 24000 28000; do
    make_old big.png
    (ulimit -v $limit && exec "$tool" --size 16384x1024 --format png --output big.png) 2>"$tmp/err"
    status=$?
    if [ $status -eq 2 ] && [ "$(cat "$tmp/err")" = "hypercube-render: out of memory" ] &&
      cmp -s big.png "$tmp/saved"; then
      out_of_memory=$((out_of_memory + 1))
    elif [ $status -ne 0 ] && [ $status -ne 127 ]; then  # 127: the loader itself had no room
      bad "under ulimit -v $limit: status $status, $(head -c 300 "$tmp/err")"
    fi
  done
  [ $out_of_memory -gt 0 ] && ok || bad "no memory limit made the tool say 'out of memory'"
fi

# --- Twenty writers at once: each replaces the file whole.
make_old shared.png
for _ in $(seq 20); do "$tool" "${small[@]}" --output shared.png 2>>"$tmp/parallel.err" & done
wait
cmp -s shared.png "$tmp/ref.png" && [ ! -s "$tmp/parallel.err" ] && [ -z "$(temps_in .)" ] && ok ||
  bad "20 parallel writers: $(head -c 300 "$tmp/parallel.err")"

# --- Interrupted runs.
signal_cases unnamed

# --- As an unprivileged user.
if [ $root = yes ]; then
  mkdir "$tmp/ro"
  make_old "$tmp/ro/mine.png"
  chown "$nobody:$nogroup" "$tmp/ro/mine.png"
  chown "$nobody:$nogroup" "$tmp/a/m444.png"
  written "$tmp/ro/mine.png" as_nobody "$tool" "${small[@]}" --output "$tmp/ro/mine.png"
  make_old "$tmp/ro/root.png"
  refused "cannot write '$tmp/ro/root.png': Permission denied" "$tmp/ro/root.png" \
    as_nobody "$tool" "${small[@]}" --output "$tmp/ro/root.png"
  refused "cannot write '$tmp/ro/new.png': Permission denied" "" \
    as_nobody "$tool" "${small[@]}" --output "$tmp/ro/new.png"
  # root replacing someone's file keeps its owner
  written "$tmp/a/m444.png" "$tool" "${small[@]}" --output "$tmp/a/m444.png"
  [ "$(stat -c %u:%g:%a "$tmp/a/m444.png")" = "$nobody:$nogroup:444" ] && ok ||
    bad "the owner and mode became $(stat -c %u:%g:%a "$tmp/a/m444.png")"
  inner --dev
  inner --no-proc
else
  echo "NOTE: not root: the cases as nobody and in a private /dev or without /proc are left out"
fi

# --- hypercube-headless: control bytes quoted, extra arguments refused.
"$headless" $'U\e[31m' >/dev/null 2>"$tmp/err"
status=$?
[ $status -eq 2 ] && grep -q "'\\\\x1b' at position 2" "$tmp/err" && ! grep -q $'\e' "$tmp/err" && ok ||
  bad "headless with an escape: status $status, $(od -c "$tmp/err" | head -3)"
"$headless" U D >/dev/null 2>"$tmp/err"
status=$?
[ $status -eq 2 ] && grep -q "one script at most" "$tmp/err" && ok || bad "headless U D: status $status"

finish
