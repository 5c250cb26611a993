#!/usr/bin/env python3
"""Mutation pass: plants one single-line fault at a time in the tree, builds it, runs the whole
test suite and records whether the suite notices.

Usage:
  scripts/mutation_pass.py RESULTS.md [--mutations FILE] [--tree DIR] [--build DIR]
                           [--ids ID[,ID...]] [--check] [--no-baseline]

  RESULTS.md     the Markdown table of results; read first, so that a run cut short goes on where
                 it stopped (the ids already in it with a result are skipped)
  --mutations    the list of faults (default: scripts/mutations.txt beside this script)
  --tree         the source tree (default: the folder above this script)
  --build        the build folder (default: TREE/build/mutation); configured once with Ninja,
                 RelWithDebInfo and without the benchmarks when it has no CMakeCache.txt
  --ids          only these ids (comma-separated, or the option given more than once)
  --check        only read the list and say where each fault would go; builds nothing
  --no-baseline  skip the build and test run of the unmutated tree (for a resumed run whose
                 baseline passed already)

The mutation list: one block of lines a fault, blocks separated by blank lines, "#" lines ignored.
Each line of a block is "key: value"; the value is the rest of the line after ": ", with trailing
blanks dropped, and holds no line break, so that a fault changes exactly one line:

  id: core-sync-temporary
  file: src/core/system_files.cpp
  find: if (!error && ::fsync(fd.get()) != 0) error = LastError();
  replace: if (!error && false) error = LastError();
  note: the temporary file is renamed without an fsync

"find" must occur exactly once in the file; otherwise the fault is refused and the pass goes on.
"replace" takes its place. The file is put back byte for byte after the run, also on Ctrl+C,
SIGTERM or an error of the pass itself.

Results: "killed" (a test failed or timed out), "survived" (the whole suite passed), "not built"
(the mutant did not compile; not counted against the suite). The table is rewritten after every
fault, so at most the fault under way is lost when the pass is stopped.
"""

from __future__ import annotations

import argparse
import datetime
import os
import re
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

BUILD_JOBS = "2"  # the machine is shared: never more than two jobs
TEST_TIMEOUT = "180"
SHOWN_FAILURES = 4  # failing tests named per fault
RESULT_WORDS = ("killed", "survived", "not built")
KEYS = ("id", "file", "find", "replace", "note")


class Stop(Exception):
    """A request to stop (SIGTERM): handled like Ctrl+C."""


@dataclass
class Mutation:
    id: str
    file: str
    find: str
    replace: str
    note: str
    source_line: int  # where the block starts in the list, for messages

    @property
    def module(self) -> str:
        parts = Path(self.file).parts
        if len(parts) >= 2 and parts[0] == "src":
            return parts[1]
        return parts[0] if parts else "?"


@dataclass
class Result:
    id: str
    module: str
    where: str
    note: str
    result: str
    tests: str = ""


@dataclass
class Outcome:
    result: str
    tests: list[str] = field(default_factory=list)
    log: str = ""


# ---------------------------------------------------------------------------------------------
# The list

def read_mutations(path: Path) -> list[Mutation]:
    mutations: list[Mutation] = []
    block: dict[str, str] = {}
    start = 0

    def close_block() -> None:
        if not block:
            return
        missing = [k for k in KEYS if k not in block]
        if missing:
            raise SystemExit(f"{path}:{start}: the block lacks {', '.join(missing)}")
        if block["find"] == block["replace"]:
            raise SystemExit(f"{path}:{start}: {block['id']}: find and replace are the same text")
        mutations.append(Mutation(block["id"], block["file"], block["find"], block["replace"], block["note"], start))
        block.clear()

    for number, raw in enumerate(path.read_text(encoding="utf-8").split("\n"), start=1):
        line = raw.rstrip()
        if line.lstrip().startswith("#"):
            continue
        if not line:
            close_block()
            continue
        key, sep, value = line.partition(":")
        key = key.strip()
        if not sep or key not in KEYS:
            raise SystemExit(f"{path}:{number}: expected one of {', '.join(KEYS)} followed by ':'")
        if not block:
            start = number
        if key in block:
            raise SystemExit(f"{path}:{number}: {key} given twice in one block")
        block[key] = value[1:] if value.startswith(" ") else value
    close_block()

    seen: set[str] = set()
    for m in mutations:
        if m.id in seen:
            raise SystemExit(f"{path}:{m.source_line}: the id {m.id} is used twice")
        seen.add(m.id)
        if "|" in m.id or not m.id:
            raise SystemExit(f"{path}:{m.source_line}: an id may not be empty or hold '|'")
    return mutations


def locate(tree: Path, m: Mutation) -> tuple[bytes, int, str]:
    """The file's bytes and the line (from 1) of the single occurrence; an error text when the
    fault cannot be placed."""
    path = tree / m.file
    try:
        data = path.read_bytes()
    except OSError as error:
        return b"", 0, f"cannot read {m.file}: {error.strerror}"
    needle = m.find.encode("utf-8")
    count = data.count(needle)
    if count != 1:
        return data, 0, f"the text occurs {count} times in {m.file}, not once"
    return data, data[: data.index(needle)].count(b"\n") + 1, ""


# ---------------------------------------------------------------------------------------------
# The results file

SPLIT_CELLS = re.compile(r"(?<!\\)\|")


def cell(text: str) -> str:
    return text.replace("\\", "\\\\").replace("|", "\\|").replace("\n", " ")


def uncell(text: str) -> str:
    return re.sub(r"\\(.)", r"\1", text.strip())


def read_results(path: Path) -> dict[str, Result]:
    """The rows of an earlier run, by id. Only rows with one of the three results count; a refused
    fault is tried again."""
    results: dict[str, Result] = {}
    if not path.exists():
        return results
    in_table = False
    for line in path.read_text(encoding="utf-8").splitlines():
        if line.startswith("| id |"):
            in_table = True
            continue
        if not in_table:
            continue
        if not line.startswith("|"):
            in_table = False
            continue
        if line.startswith("|---"):
            continue
        cells = [uncell(c) for c in SPLIT_CELLS.split(line.strip())[1:-1]]
        if len(cells) != 6:
            continue
        row = Result(*cells)
        row.id = row.id.strip("`")
        if row.result in RESULT_WORDS:
            results[row.id] = row
    return results


def summary_counts(rows: list[Result]) -> dict[str, int]:
    counts = {word: 0 for word in RESULT_WORDS}
    for row in rows:
        if row.result in counts:
            counts[row.result] += 1
    return counts


def score(counts: dict[str, int]) -> str:
    judged = counts["killed"] + counts["survived"]
    return f"{100.0 * counts['killed'] / judged:.0f}%" if judged else "-"


def write_results(path: Path, rows: list[Result], header: list[str]) -> None:
    counts = summary_counts(rows)
    refused = sum(row.result == "refused" for row in rows)
    lines = ["# Mutation pass", ""]
    lines += header
    lines += [
        "",
        f"**Summary:** {sum(counts.values())} faults: {counts['killed']} killed, {counts['survived']} survived, "
        f"{counts['not built']} not built; the suite caught {score(counts)} of the faults that built."
        + (f" {refused} refused (text not found once), not run." if refused else ""),
        "",
        "| module | faults | killed | survived | not built | caught |",
        "|---|---:|---:|---:|---:|---:|",
    ]
    modules: dict[str, list[Result]] = {}
    for row in rows:
        modules.setdefault(row.module, []).append(row)
    for module in sorted(modules):
        c = summary_counts(modules[module])
        lines.append(f"| {module} | {sum(c.values())} | {c['killed']} | {c['survived']} | {c['not built']} | "
                     f"{score(c)} |")
    lines += ["", "| id | module | file:line | description | result | tests that caught it |",
              "|---|---|---|---|---|---|"]
    for row in rows:
        lines.append("| " + " | ".join(cell(x) for x in (row.id, row.module, row.where, row.note, row.result,
                                                          row.tests)) + " |")
    lines.append("")
    temporary = path.with_name(path.name + ".tmp")
    temporary.write_text("\n".join(lines), encoding="utf-8")
    os.replace(temporary, path)


# ---------------------------------------------------------------------------------------------
# Builds and test runs

def run(command: list[str], log: Path) -> tuple[int, str]:
    """Runs a command in a process group of its own, its output into log. On Ctrl+C or SIGTERM the
    whole group is ended before the pass goes on to put the file back."""
    with open(log, "w", encoding="utf-8", errors="replace") as out:
        out.write("$ " + " ".join(command) + "\n")
        out.flush()
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            code = process.wait()
        except BaseException:
            end_group(process)
            raise
    return code, log.read_text(encoding="utf-8", errors="replace")


def end_group(process: subprocess.Popen) -> None:
    for sig, wait in ((signal.SIGTERM, 10), (signal.SIGKILL, 10)):
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            return
        try:
            process.wait(timeout=wait)
            return
        except subprocess.TimeoutExpired:
            continue


FAILED_TEST = re.compile(r"^\s*\d+\s+-\s+(\S+)\s+\((.+?)\)\s*$")


def failed_tests(output: str) -> list[str]:
    names: list[str] = []
    listing = False
    for line in output.splitlines():
        if line.startswith("The following tests FAILED"):
            listing = True
            continue
        if listing:
            match = FAILED_TEST.match(line)
            if not match:
                if line.strip():
                    break
                continue
            reason = match.group(2)
            names.append(match.group(1) + ("" if reason == "Failed" else f" ({reason.lower()})"))
    return names


def configure(tree: Path, build: Path, logs: Path) -> None:
    if (build / "CMakeCache.txt").exists():
        return
    print(f"Configuring {build}", flush=True)
    code, _ = run(["cmake", "-S", str(tree), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                   "-DNEROVALE_BENCHMARKS=OFF"], logs / "configure.log")
    if code != 0:
        raise SystemExit(f"cmake could not configure {build}: see {logs / 'configure.log'}")


def build_and_test(build: Path, logs: Path, name: str) -> Outcome:
    code, output = run(["cmake", "--build", str(build), "-j", BUILD_JOBS], logs / f"{name}.build.log")
    if code != 0:
        # A test program that crashes while its tests are listed fails the build, but that is a
        # test noticing the fault, not a compile error.
        if "Error running test executable" in output:
            return Outcome("killed", ["test listing"], output)
        return Outcome("not built", [], output)
    code, output = run(["ctest", "--test-dir", str(build), "-j", BUILD_JOBS, "--timeout", TEST_TIMEOUT],
                       logs / f"{name}.test.log")
    if code == 0:
        return Outcome("survived", [], output)
    names = failed_tests(output)
    return Outcome("killed", names or ["ctest failed"], output)


# ---------------------------------------------------------------------------------------------
# The pass

def restore(path: Path, original: bytes, mode: int) -> None:
    # The bytes go back, not the old modification time: the object built from the mutant is newer
    # than the old time, and the next build must compile the file again.
    path.write_bytes(original)
    os.chmod(path, mode)


def try_mutation(tree: Path, build: Path, logs: Path, m: Mutation, original: bytes) -> Outcome:
    path = tree / m.file
    mode = path.stat().st_mode & 0o7777
    mutated = original.replace(m.find.encode("utf-8"), m.replace.encode("utf-8"), 1)
    changed = [a != b for a, b in zip(original.split(b"\n"), mutated.split(b"\n"))]
    if original.count(b"\n") != mutated.count(b"\n") or sum(changed) != 1:
        return Outcome("refused", [], "the fault would not change exactly one line")
    try:
        path.write_bytes(mutated)
        return build_and_test(build, logs, m.id)
    finally:
        restore(path, original, mode)


def git_commit(tree: Path) -> str:
    try:
        return subprocess.run(["git", "-C", str(tree), "rev-parse", "--short", "HEAD"], capture_output=True,
                              text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "?"


def on_sigterm(signum, frame):  # noqa: ARG001
    raise Stop()


def main() -> int:
    here = Path(__file__).resolve().parent
    parser = argparse.ArgumentParser(description="Plants single-line faults and runs the test suite on each.")
    parser.add_argument("results", type=Path)
    parser.add_argument("--mutations", type=Path, default=here / "mutations.txt")
    parser.add_argument("--tree", type=Path, default=here.parent)
    parser.add_argument("--build", type=Path)
    parser.add_argument("--ids", action="append", default=[])
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--no-baseline", action="store_true")
    args = parser.parse_args()

    tree = args.tree.resolve()
    build = (args.build or tree / "build" / "mutation").resolve()
    mutations = read_mutations(args.mutations)
    wanted = {i.strip() for chunk in args.ids for i in chunk.split(",") if i.strip()}
    if wanted:
        unknown = wanted - {m.id for m in mutations}
        if unknown:
            raise SystemExit("unknown ids: " + ", ".join(sorted(unknown)))
        mutations = [m for m in mutations if m.id in wanted]

    if args.check:
        bad = 0
        for m in mutations:
            _, line, error = locate(tree, m)
            print(f"{m.id:32} {m.file}:{line}" if not error else f"{m.id:32} REFUSED: {error}")
            bad += bool(error)
        modules: dict[str, int] = {}
        for m in mutations:
            modules[m.module] = modules.get(m.module, 0) + 1
        print(f"{len(mutations)} faults, {bad} refused; by module: " +
              ", ".join(f"{k} {v}" for k, v in sorted(modules.items())))
        return 1 if bad else 0

    signal.signal(signal.SIGTERM, on_sigterm)
    results_path = args.results.resolve()
    done = read_results(results_path)
    logs = build / "mutation_logs"
    logs.mkdir(parents=True, exist_ok=True)
    order = {m.id: i for i, m in enumerate(read_mutations(args.mutations))}
    header = [
        f"Tree: `{tree}` at commit `{git_commit(tree)}`; build folder `{build}`.",
        f"Each fault: `cmake --build BUILD -j {BUILD_JOBS}`, then "
        f"`ctest --test-dir BUILD -j {BUILD_JOBS} --timeout {TEST_TIMEOUT}`.",
        f"Last run: {datetime.datetime.now().strftime('%Y-%m-%d %H:%M')}.",
    ]

    def save(extra: list[Result]) -> None:
        rows = {r.id: r for r in done.values()}
        for r in extra:
            rows[r.id] = r
        ordered = sorted(rows.values(), key=lambda r: (order.get(r.id, len(order)), r.id))
        write_results(results_path, ordered, header)

    todo = [m for m in mutations if m.id not in done]
    print(f"{len(mutations)} faults in the list, {len(mutations) - len(todo)} already done, {len(todo)} to run.",
          flush=True)
    if not todo:
        save([])
        return 0

    refused: list[Result] = []
    try:
        configure(tree, build, logs)
        if not args.no_baseline:
            print("Baseline: building and testing the unmutated tree", flush=True)
            started = time.monotonic()
            baseline = build_and_test(build, logs, "baseline")
            if baseline.result != "survived":
                print(f"The unmutated tree does not pass ({baseline.result}: {', '.join(baseline.tests)}); "
                      f"see {logs}. Nothing was mutated.", file=sys.stderr)
                return 2
            print(f"Baseline passes ({time.monotonic() - started:.0f} s)", flush=True)

        for number, m in enumerate(todo, start=1):
            original, line, error = locate(tree, m)
            where = f"{m.file}:{line}" if line else m.file
            prefix = f"[{number}/{len(todo)}] {m.id} ({where})"
            if error:
                print(f"{prefix}: refused: {error}", flush=True)
                refused.append(Result(m.id, m.module, where, m.note, "refused", error))
                save(refused)
                continue
            print(f"{prefix}: {m.note} ...", end=" ", flush=True)
            started = time.monotonic()
            outcome = try_mutation(tree, build, logs, m, original)
            seconds = time.monotonic() - started
            if outcome.result == "refused":
                print(f"refused: {outcome.log}", flush=True)
                refused.append(Result(m.id, m.module, where, m.note, "refused", outcome.log))
            else:
                shown = outcome.tests[:SHOWN_FAILURES]
                more = len(outcome.tests) - len(shown)
                tests = ", ".join(shown) + (f" and {more} more" if more > 0 else "")
                print(f"{outcome.result}{': ' + tests if tests else ''} ({seconds:.0f} s)", flush=True)
                done[m.id] = Result(m.id, m.module, where, m.note, outcome.result, tests)
            save(refused)
    except (KeyboardInterrupt, Stop):
        print("\nStopped; the file under way is back as it was. Run the same command again to go on.",
              file=sys.stderr)
        save(refused)
        return 130

    counts = summary_counts(list(done.values()))
    print(f"Done: {counts['killed']} killed, {counts['survived']} survived, {counts['not built']} not built, "
          f"{len(refused)} refused; table in {results_path}", flush=True)
    # The build folder holds the objects of the last mutant: build the tree as it is once more.
    print("Rebuilding the unmutated tree", flush=True)
    code, _ = run(["cmake", "--build", str(build), "-j", BUILD_JOBS], logs / "final.build.log")
    if code != 0:
        print(f"The final build failed: see {logs / 'final.build.log'}", file=sys.stderr)
        return 2
    return 1 if refused else 0


if __name__ == "__main__":
    sys.exit(main())
