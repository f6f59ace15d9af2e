#!/usr/bin/env python3
"""The table of instructions per call in docs/performance.md, made from the
committed counts in docs/instruction_counts.tsv (which
build/native/bench/instruction_counts --table prints, and which the test
emulated.emulator.InstructionCounts.* holds Tier.vdx to).

    instruction_table.py COUNTS.tsv               print the Markdown table
    instruction_table.py COUNTS.tsv --write DOC   put it into DOC between its markers
    instruction_table.py COUNTS.tsv --check DOC   exit 1 when DOC shows another table

The document holds the table between the two marker lines below; nothing
else in it is read.
"""
import sys

BEGIN = "<!-- instruction counts: made by tools/instruction_table.py from docs/instruction_counts.tsv -->"
END = "<!-- end of instruction counts -->"


def with_commas(value):
    return f"{value:,}"


def markdown_table(tsv_text):
    lines = tsv_text.splitlines()
    header = lines[0].split("\t")
    sizes = header[3:]
    out = ["| routine | " + " | ".join(sizes) + " | growth |",
           "| --- |" + " ---: |" * (len(sizes) + 1)]
    for line in lines[1:]:
        kind, code, display, *counts = line.split("\t")
        counts = [int(count) for count in counts]
        growth = counts[-1] / counts[0]
        out.append(f'| {kind} {code} "{display}" | '
                   + " | ".join(with_commas(c) for c in counts) + f" | {growth:.1f} |")
    return "\n".join(out) + "\n"


def with_table(document, table):
    begin = document.find(BEGIN + "\n")
    end = document.find(END, begin)
    if begin < 0 or end < 0:
        return None
    start = begin + len(BEGIN) + 1
    return document[:start] + table + document[end:]


def main(argv):
    if len(argv) not in (2, 4) or (len(argv) == 4 and argv[2] not in ("--write", "--check")):
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], encoding="utf-8") as f:
        table = markdown_table(f.read())
    if len(argv) == 2:
        sys.stdout.write(table)
        return 0
    mode, path = argv[2], argv[3]
    with open(path, encoding="utf-8") as f:
        document = f.read()
    wanted = with_table(document, table)
    if wanted is None:
        print(f"{path}: no lines '{BEGIN}' and '{END}' to hold the table", file=sys.stderr)
        return 1
    if mode == "--write":
        if wanted != document:
            with open(path, "w", encoding="utf-8") as f:
                f.write(wanted)
        return 0
    if wanted != document:
        print(f"{path} shows other instruction counts than {argv[1]}; rewrite it with\n"
              f"  python3 tools/instruction_table.py {argv[1]} --write {path}\n"
              "(cmake --build build/native --target update_instruction_counts does both steps)",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
