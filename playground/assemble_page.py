#!/usr/bin/env python3
"""Puts the playground page together into one file.

    assemble_page.py --engine ENGINE.js --help HELP.md --out PAGE.html \
        page.html page.css page.js worker.js -- SCENE...

page.html holds the places /*STYLE*/, /*ENGINE*/, /*WORKER*/, /*EXAMPLES*/,
/*HELP*/ and /*SCRIPT*/, each inside its element; the engine (its
WebAssembly inside) and the worker are kept as text that the page starts a
worker from, the example scenes as JSON, the help ("Scene files and
reports") as text. Nothing is fetched when the page runs.
"""
import json
import os
import re
import sys


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def inline(text, what):
    # Inside a <script> or <style> element only "</" could end it early.
    if "</script" in text.lower() or "</style" in text.lower():
        sys.exit(f"assemble_page: {what} holds an end tag and cannot be inlined")
    return text


def main(argv):
    args = argv[1:]
    if (len(args) < 11 or args[0] != "--engine" or args[2] != "--help" or args[4] != "--out"
            or args[10] != "--"):
        sys.stderr.write(__doc__)
        return 2
    engine, help_text, out = args[1], args[3], args[5]
    html, css, script, worker = (read(p) for p in args[6:10])
    scenes = args[11:]
    examples = [{"name": os.path.basename(p), "text": read(p)}
                for p in sorted(scenes, key=os.path.basename)]
    # In JSON "<\/" is "</", so the data cannot end its element.
    examples_json = json.dumps(examples, ensure_ascii=True).replace("</", "<\\/")
    parts = {
        "/*STYLE*/": inline(css, "page.css"),
        "/*ENGINE*/": inline(read(engine), os.path.basename(engine)),
        "/*WORKER*/": inline(worker, "worker.js"),
        "/*EXAMPLES*/": examples_json,
        "/*HELP*/": inline(read(help_text), os.path.basename(help_text)),
        "/*SCRIPT*/": inline(script, "page.js"),
    }
    for place in parts:
        if html.count(place) != 1:
            sys.exit(f"assemble_page: page.html must hold {place} once")
    # One pass, so that no inlined text is searched for a place.
    pattern = "|".join(re.escape(place) for place in parts)
    html = re.sub(pattern, lambda match: parts[match.group(0)], html)
    temporary = out + ".part"
    with open(temporary, "w", encoding="utf-8", newline="\n") as f:
        f.write(html)
    os.replace(temporary, out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
