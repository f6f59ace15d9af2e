#!/usr/bin/env python3
"""Holds every #include "..." of the sources to the layers of
docs/contributing.md ("Includes, besides itself"), so that no layer includes
one above it:
    check_layers.py ROOT
Exits 0 when every include goes downward; else names each one that does not,
with its line, and exits 1."""
import os
import re
import sys

TABLE_ROW = re.compile(r"^\| `([^`/]+)/` \| (.*) \|$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCES = (".cpp", ".h", ".c")
TESTS = "tests"  # a folder of tests, wherever it lies, may include anything


def read_layers(root):
    """Folder -> the folders and files it names below it, from the table."""
    layers = {}
    with open(os.path.join(root, "docs", "contributing.md"), encoding="utf-8") as f:
        for line in f:
            row = TABLE_ROW.match(line.rstrip("\n"))
            if row:
                layers[row.group(1)] = [n.rstrip("/") for n in re.findall(r"`([^`]+)`", row.group(2))]
    return layers


def allowed(layers, folder):
    """What `folder` may include: itself, and all below it, transitively."""
    seen, todo = {folder}, [folder]
    while todo:
        for below in layers.get(todo.pop(), []):
            if below not in seen:
                seen.add(below)
                if below in layers:
                    todo.append(below)
    return seen


def layer_of(path):
    """The layer a source file belongs to: its top folder, or tests."""
    parts = path.split("/")
    return TESTS if TESTS in parts[:-1] else parts[0]


def problems(root):
    layers = read_layers(root)
    if not layers:
        return ["docs/contributing.md: no table of layers"]
    found = []
    for top in sorted(os.listdir(root)):
        if top.startswith(".") or top == "build" or not os.path.isdir(os.path.join(root, top)):
            continue
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs[:] = sorted(d for d in dirs if not d.startswith("."))
            for name in sorted(files):
                if not name.endswith(SOURCES):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")
                found += file_problems(root, path, layers)
    return found


def file_problems(root, path, layers):
    layer = layer_of(path)
    if layer == TESTS:
        return []
    if layer not in layers:
        return [f"{path}: the folder {layer}/ has no row in the table of layers "
                "(docs/contributing.md)"]
    may = allowed(layers, layer)
    found = []
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            include = INCLUDE.match(line)
            if not include or "/" not in include.group(1):
                continue
            target = include.group(1)
            folder = target.split("/")[0]
            if folder not in layers and folder != TESTS:
                continue  # not ours
            if folder in may or target in may:
                continue
            below = ", ".join(sorted(n if "." in n else n + "/" for n in may
                                     if "." not in n or n.split("/")[0] not in may))
            found.append(f"{path}:{number}: includes {target}, which does not lie below "
                         f"{layer}/ (it may include {below})")
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    found = problems(root)
    for problem in found:
        print(problem)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
