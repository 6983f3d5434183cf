#!/usr/bin/env python3
"""Mutation testing of our own: how many small faults do the fast tests catch?

usage: scripts/mutate [--jobs N] [--list] [--only TEXT] [FILE...]

Applies one simple mutation at a time to the sources (by default geometry/
and shell/): a comparison, arithmetic or boolean operator swapped, a numeric
constant changed, a statement removed. Each mutant is built and run against
the fast tests (the geometry and shell unit tests, the software extended
type's frames against the x87's, and the frame tool's check of the reference
frames), in that order: a mutant is built for a test only if it passed the
ones before. A mutant that a test fails, or that hangs, is
killed; one that does not compile is not counted; the others survive and are
printed with their place. The work happens in copies of the tree (one per
job), so an interrupted run never leaves a mutated source behind.

--list prints the mutants without running them; --only runs the mutants
whose description contains TEXT (e.g. "classify.cpp:42").
"""
import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_DIRS = ["geometry", "shell"]

# Operator swaps, each matched as a whole token.
SWAPS = [
    (r"(?<![<>=!])>(?![>=])", ">="), (r">=", ">"),
    (r"(?<![<>=!-])<(?![<=])", "<="), (r"<=", "<"),
    (r"==", "!="), (r"!=", "=="),
    (r"&&", "||"), (r"\|\|", "&&"),
    (r"(?<![+\-eE])\+(?![+=])", "-"), (r"(?<![\-+eE])-(?![\->=])", "+"),
    (r"(?<![*/])\*(?![=/])", "/"),
    (r"\+=", "-="), (r"-=", "+="), (r"\*=", "/="),
    (r"\+\+", "--"),
]
NUMBER = re.compile(r"(?<![\w.])(\d+\.\d*|\d+)(?:e-?\d+)?[LlUuFf]*(?![\w.])")
STATEMENT = re.compile(r"^\s+[^#/{}].*;\s*$")
DECLARATION = re.compile(r"^\s*(const |static |constexpr )*([\w:<>]+[*&]? )+\w+(\[[^]]*\])*( =|;|\{|\(|,)")


def code_part(line):
    """The line without its comment and string literals, as blanks."""
    out = re.sub(r'"(\\.|[^"\\])*"', lambda m: " " * len(m.group()), line)
    out = re.sub(r"'(\\.|[^'\\])*'", lambda m: " " * len(m.group()), out)
    cut = out.find("//")
    return out if cut < 0 else out[:cut] + " " * (len(out) - cut)


def mutants(path):
    """(description, new text) for each mutant of one file."""
    lines = open(path).read().split("\n")
    rel = os.path.relpath(path, ROOT)
    in_block_comment = False
    # Lines of an #else branch: the fallback for other processors, not built here.
    other_branch = []
    for n, line in enumerate(lines):
        stripped = line.strip()
        if stripped.startswith("#if"):
            other_branch.append(False)
        elif stripped.startswith("#else") and other_branch:
            other_branch[-1] = True
        elif stripped.startswith("#endif") and other_branch:
            other_branch.pop()
        if any(other_branch):
            continue
        if in_block_comment:
            in_block_comment = "*/" not in line
            continue
        if stripped.startswith("/*"):
            in_block_comment = "*/" not in line
            continue
        if stripped.startswith("#") or "static_assert" in line or not stripped:
            continue
        code = code_part(line)
        if "template" in code or "#include" in code:
            continue

        def made(new_line, what):
            text = "\n".join(lines[:n] + [new_line] + lines[n + 1:])
            return ("%s:%d: %s" % (rel, n + 1, what), text)

        # The size of an array being declared: a larger one changes nothing.
        sizes = [b.span() for b in re.finditer(r"\w\[[^]]+\]", code)] if DECLARATION.match(code) else []
        # Template argument lists, such as static_cast<int32_t>(...).
        templates = [t.span() for t in re.finditer(r"\b\w+<[\w:\s,*&]+>", code)] + sizes
        for pattern, repl in SWAPS:
            for m in re.finditer(pattern, code):
                if any(a <= m.start() < b for a, b in templates):
                    continue
                if m.group() == ">" and code[m.start() - 1:m.end()] == "->":
                    continue
                # '*' of a pointer type.
                if m.group() == "*" and re.match(r"[\w>]\*( const)?[ )&]", code[m.start() - 1:m.end() + 7]):
                    continue
                new = line[:m.start()] + repl + line[m.end():]
                yield made(new, "'%s' -> '%s'" % (m.group(), repl))
        for m in NUMBER.finditer(code):
            if any(a <= m.start() < b for a, b in sizes):
                continue
            digits = m.group(1)
            value = float(digits)
            repl_digits = "1" if value == 0 else "0"
            new = line[:m.start(1)] + repl_digits + ("." if "." in digits else "") + line[m.end(1):]
            yield made(new, "constant %s -> %s" % (m.group(), repl_digits))
            if value not in (0, 1):
                bumped = ("%s" % (value + 1)).rstrip("0").rstrip(".") if "." in digits else str(int(value) + 1)
                if "." in digits and "." not in bumped:
                    bumped += "."
                new = line[:m.start(1)] + bumped + line[m.end(1):]
                yield made(new, "constant %s -> %s" % (m.group(), bumped))
        if re.search(r"\btrue\b", code):
            yield made(re.sub(r"\btrue\b", "false", line, count=1), "true -> false")
        if re.search(r"\bfalse\b", code):
            yield made(re.sub(r"\bfalse\b", "true", line, count=1), "false -> true")
        for m in re.finditer(r"!(?!=)", code):
            yield made(line[:m.start()] + line[m.end():], "'!' removed")
        if (STATEMENT.match(code) and not DECLARATION.match(code) and "return" not in code
                and not code.rstrip().endswith(",") and code.count("(") == code.count(")")):
            yield made("", "statement removed: %s" % stripped)


def run(cmd, cwd, timeout):
    try:
        return subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return "timeout"


class Worker:
    """One copy of the tree with its own build, so that mutants can be built
    and tested side by side without touching each other's files."""

    def __init__(self, root_files, index):
        self.tree = tempfile.mkdtemp(prefix="hypercube-mutate-%d-" % index)
        for name in root_files:
            src = os.path.join(ROOT, name)
            if os.path.isfile(src):
                os.makedirs(os.path.join(self.tree, os.path.dirname(name)), exist_ok=True)
                shutil.copy2(src, os.path.join(self.tree, name))
        self.build = os.path.join(self.tree, "build")
        b, t = self.build, self.tree
        # Stages, cheapest first: a stage's targets are built only when the
        # mutant survived the stages before, so that most mutants of a header
        # rebuild the geometry tests alone. The software extended type's frames
        # against the x87's judge the software arithmetic as the program uses it.
        self.stages = [
            (["geometry_test"], [os.path.join(b, "tests", "geometry_test"), "--gtest_brief=1", "--gtest_fail_fast"]),
            (["frame_batch", "frame_batch_soft"],
             [os.path.join(t, "tests", "frames_compare_test.sh"), os.path.join(t, "tests", "frames"), "2000",
              os.path.join(b, "tests", "frame_batch"), os.path.join(b, "tests", "frame_batch_soft")]),
            (["shell_test"], [os.path.join(b, "tests", "shell_test"), "--gtest_brief=1", "--gtest_fail_fast"]),
            (["hypercube-render"], [os.path.join(t, "tests", "render_cli_test.sh"),
                                    os.path.join(b, "tools", "hypercube-render"), os.path.join(t, "tests", "frames")]),
        ]
        self.timeouts = [300] * len(self.stages)

    def make(self, targets, timeout):
        return run(["cmake", "--build", self.build, "-j", "1", "--target"] + targets, self.tree, timeout) == 0

    def configure(self):
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        return run(["cmake", "-S", self.tree, "-B", self.build, "-DBUILD_TESTING=ON", "-DHYPERCUBE_BENCH=OFF",
                    "-DHYPERCUBE_WINE_TESTS=OFF"] + generator, self.tree, 600) == 0 and \
            self.make([t for targets, _ in self.stages for t in targets], 1800)

    def calibrate(self):
        """Runs the unmutated tests; a mutant may take ten times as long (a
        loaded machine) before it counts as hung."""
        for i, (_, test) in enumerate(self.stages):
            start = time.time()
            if run(test, self.tree, 300) != 0:
                return False
            self.timeouts[i] = max(30.0, 10 * (time.time() - start))
        return True

    def verdict(self, path, text):
        target = os.path.join(self.tree, os.path.relpath(path, ROOT))
        original = open(target).read()
        open(target, "w").write(text)
        try:
            for (targets, test), timeout in zip(self.stages, self.timeouts):
                if not self.make(targets, 600):
                    return "stillborn"
                if run(test, self.tree, timeout) != 0:
                    return "killed"
            return "survived"
        finally:
            open(target, "w").write(original)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("files", nargs="*")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1,
                        help="mutants built and tested at once, each in its own copy of the tree")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--only", default="")
    args = parser.parse_args()

    files = [os.path.abspath(f) for f in args.files]
    if not files:
        for d in DEFAULT_DIRS:
            for name in sorted(os.listdir(os.path.join(ROOT, d))):
                if name.endswith((".cpp", ".h")):
                    files.append(os.path.join(ROOT, d, name))
    work, seen = [], set()
    for f in files:
        for what, text in mutants(f):
            if args.only in what and (f, text) not in seen:
                seen.add((f, text))
                work.append((f, what, text))
    if args.list:
        for _, what, _ in work:
            print(what)
        print("%d mutants" % len(work))
        return 0

    listed = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, check=True,
                            stdout=subprocess.PIPE).stdout.decode().split("\0")
    jobs = max(1, min(args.jobs, len(work)))
    tracked = [name for name in listed if name]
    workers = [Worker(tracked, i) for i in range(jobs)]
    try:
        with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
            ready = list(pool.map(lambda w: w.configure() and w.calibrate(), workers))
        if not all(ready):
            print("mutate: the unmutated tree does not build or pass its tests", file=sys.stderr)
            return 1

        counts = {"killed": 0, "survived": 0, "stillborn": 0}
        lock = threading.Lock()
        pending = list(reversed(work))
        start = time.time()

        def serve(worker):
            while True:
                with lock:
                    if not pending:
                        return
                    path, what, text = pending.pop()
                result = worker.verdict(path, text)
                with lock:
                    counts[result] += 1
                    done = sum(counts.values())
                    if result == "survived":
                        print("SURVIVED %s" % what, flush=True)
                    if done % 25 == 0:
                        print("... %d of %d, %.0f s" % (done, len(work), time.time() - start), flush=True)

        threads = [threading.Thread(target=serve, args=(w,)) for w in workers]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        killed, survived = counts["killed"], counts["survived"]
        counted = killed + survived
        score = 100.0 * killed / counted if counted else 100.0
        print("%d mutants: %d killed, %d survived, %d did not compile; score %.1f %% (%.0f s)"
              % (len(work), killed, survived, counts["stillborn"], score, time.time() - start))
        return 0
    finally:
        for w in workers:
            shutil.rmtree(w.tree, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
