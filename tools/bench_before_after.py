#!/usr/bin/env python3
"""Times the routines before and after a change, side by side in one run.

usage: tools/bench_before_after.py REF [FILTER] [--rounds N]

Builds bench/routines_benchmark in Release twice: from this tree (in
build/release) and from REF's own sources (exported with git archive into
build/before/<commit>/source and built in build/before/<commit>/build, so
the two programs share no code). Then it runs the two programs in turn,
before and after, for N rounds (5 unless given) with the same filter, and
prints one table from the medians of the rounds: routine, objects, before
(us), after (us), after/before. The builds and runs are logged on standard
error; standard output holds the table alone. "After" is this tree as it
lies on disk, uncommitted changes included.

FILTER is a Google Benchmark filter over the names the benchmark gives its
runs: tier/KIND/CODE/BALLS+WALLS for the plug-in, model/... for the reference
model, reference/std::sort/N for plain std::sort. It is "^tier/" unless
given. The plug-in's rows and std::sort's are shown; std::sort runs the same
code in both programs, so its ratio shows how much the machine drifted.

The machine is shared: the figures are ratios of one run, never a pass or a
failure. Example, the sorts and Reverse all at 8,000 objects:

  nice -n 10 tools/bench_before_after.py a5bdc28 \\
      'tier/action/(8|12|13)/4000\\+4000|std::sort/8000'
"""

import argparse
import json
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BENCHMARK = "routines_benchmark"


def run(command, **kwargs):
    print("+ " + " ".join(str(part) for part in command), file=sys.stderr, flush=True)
    subprocess.run([str(part) for part in command], check=True, **kwargs)


def build(source: Path, binary: Path) -> Path:
    """Configures (once) and builds the benchmark of one tree in Release."""
    env = dict(os.environ)
    if shutil.which("ccache"):
        # The cache is shared between trees; the base makes its entries
        # independent of where each tree lies.
        env.update(CMAKE_CXX_COMPILER_LAUNCHER="ccache", CCACHE_BASEDIR=str(source),
                   CCACHE_NOHASHDIR="1")
    if not (binary / "CMakeCache.txt").exists():
        run(["cmake", "-S", source, "-B", binary, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
             "-DTIER_BUILD_PRODUCT=OFF"], env=env, stdout=sys.stderr)
    run(["cmake", "--build", binary, "--target", BENCHMARK, "--parallel", "2"], env=env,
        stdout=sys.stderr)
    return binary / "bench" / BENCHMARK


def export(ref: str) -> Path:
    """REF's own sources under build/before/<commit>/source, exported once."""
    commit = subprocess.run(["git", "-C", str(ROOT), "rev-parse", "--verify", "--quiet",
                             ref + "^{commit}"], capture_output=True, text=True)
    if commit.returncode != 0:
        raise SystemExit(f"bench_before_after: '{ref}' names no commit")
    folder = ROOT / "build" / "before" / commit.stdout.strip()
    source = folder / "source"
    if not source.exists():
        # Unpacked beside it and then renamed, so that an export cut short is
        # never taken for a whole one.
        partial = folder / "source.partial"
        shutil.rmtree(partial, ignore_errors=True)
        partial.mkdir(parents=True)
        archive = subprocess.Popen(["git", "-C", str(ROOT), "archive", commit.stdout.strip()],
                                   stdout=subprocess.PIPE)
        subprocess.run(["tar", "-x", "-C", str(partial)], stdin=archive.stdout, check=True)
        if archive.wait() != 0:
            raise SystemExit(f"bench_before_after: git archive of '{ref}' failed")
        partial.rename(source)
    return folder


def times(program: Path, filter_: str, out: Path) -> dict:
    """One run of one program: CPU microseconds per call, by benchmark name."""
    with open(os.devnull, "w") as quiet:
        run([program, "--benchmark_filter=" + filter_, "--benchmark_out=" + str(out),
             "--benchmark_out_format=json"], stdout=quiet)
    with open(out, encoding="utf-8") as f:
        report = json.load(f)
    result = {}
    for entry in report.get("benchmarks", []):
        if entry.get("run_type") != "iteration" or entry.get("error_occurred"):
            continue
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[entry.get("time_unit", "ns")]
        result[entry["name"].split("/min_time:")[0]] = entry["cpu_time"] * scale
    return result


def routine_names(source: Path) -> dict:
    """(kind, code) to display string, from the committed instruction counts."""
    names = {}
    counts = source / "docs" / "instruction_counts.tsv"
    if counts.exists():
        for line in counts.read_text(encoding="utf-8").splitlines()[1:]:
            fields = line.split("\t")
            if len(fields) >= 3:
                names[(fields[0], fields[1])] = fields[2]
    return names


def label(name: str, names: dict):
    """A benchmark name as (routine, objects); None for rows not shown."""
    parts = name.split("/")
    if parts[0] == "tier" and len(parts) == 4:
        kind, code, frame = parts[1:]
        objects = sum(int(count) for count in frame.split("+"))
        shown = names.get((kind, code))
        return (f'{kind} {code} "{shown}"' if shown else f"{kind} {code}", objects)
    if parts[0] == "reference" and len(parts) == 3:
        return ("reference: std::sort of n records", int(parts[2]))
    return None


def figure(us: float) -> str:
    """At least three significant digits, written out: 1,012 or 60.6 or 0.0184."""
    if us <= 0:
        return "0"
    places = max(0, 2 - math.floor(math.log10(us)))
    return f"{round(us, places):,.{places}f}"


def table(before_rounds: list, after_rounds: list, names: dict) -> str:
    """The Markdown table of the medians of the rounds, in the order of the runs."""
    lines = ["| routine | objects | before (us) | after (us) | after/before |",
             "| --- | ---: | ---: | ---: | ---: |"]
    for name in after_rounds[0]:
        shown = label(name, names)
        before = [r[name] for r in before_rounds if name in r]
        after = [r[name] for r in after_rounds if name in r]
        if shown is None or not before or not after:
            continue
        b, a = statistics.median(before), statistics.median(after)
        lines.append(f"| {shown[0]} | {shown[1]:,} | {figure(b)} | {figure(a)} | {a / b:.2f} |")
    return "\n".join(lines)


def main(argv) -> int:
    parser = argparse.ArgumentParser(
        prog="tools/bench_before_after.py", usage="%(prog)s REF [FILTER] [--rounds N]",
        description=__doc__.split("\n\n", 2)[2], formatter_class=argparse.RawTextHelpFormatter)
    parser.add_argument("ref", metavar="REF", help="the commit whose routines are 'before'")
    parser.add_argument("filter", metavar="FILTER", nargs="?", default="^tier/",
                        help="the benchmarks to run (default: ^tier/)")
    parser.add_argument("--rounds", type=int, default=5, help="runs of each program (default 5)")
    args = parser.parse_args(argv)
    if args.rounds < 1:
        parser.error("--rounds must be at least 1")

    before_folder = export(args.ref)
    before = build(before_folder / "source", before_folder / "build")
    after = build(ROOT, ROOT / "build" / "release")

    before_rounds, after_rounds = [], []
    with tempfile.TemporaryDirectory() as scratch:
        out = Path(scratch) / "run.json"
        for round_ in range(args.rounds):
            print(f"round {round_ + 1} of {args.rounds}", file=sys.stderr, flush=True)
            before_rounds.append(times(before, args.filter, out))
            after_rounds.append(times(after, args.filter, out))
    if not after_rounds[0]:
        raise SystemExit(f"bench_before_after: no benchmark matches '{args.filter}'")

    print(f"CPU microseconds per call, medians of {args.rounds} rounds; "
          f"before = {args.ref}, after = this tree\n", flush=True)
    print(table(before_rounds, after_rounds, routine_names(ROOT)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
