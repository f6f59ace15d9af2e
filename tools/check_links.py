#!/usr/bin/env python3
"""Checks the relative links of the repository's Markdown files:

    check_links.py SOURCE_DIR

Every link `[text](target)`, picture `![alt](target)` and link definition
`[name]: target` of every *.md file under SOURCE_DIR (outside build/, dist/
and hidden folders; code spans and code blocks excepted) must reach a file or
folder that exists, and its anchor `#name`, in a Markdown file, a heading
there (as the usual renderers name them: lower case, punctuation dropped,
blanks as hyphens, -1, -2 for repeats) or an `id`/`name` attribute.

Links into the build output folder build/ (the playground page that the wasm
preset builds, for instance) are accepted without the file: a checkout has
them only once built. Addresses with a scheme (https:, mailto:) are not
followed. Prints each broken link as FILE:LINE: TARGET: why, and exits 1 when
there is one.
"""
import os
import re
import sys
import urllib.parse

SKIPPED_FOLDERS = {"build", "dist", "node_modules"}
INLINE_LINK = re.compile(r"!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
DEFINITION = re.compile(r"^ {0,3}\[[^\]\n]+\]:[ \t]*<?([^\s>]+)>?", re.MULTILINE)
HTML_ANCHOR = re.compile(r"<a\s[^>]*(?:id|name)=\"([^\"]+)\"")
FENCE = re.compile(r"^\s{0,3}(```|~~~)")


def markdown_files(root):
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = sorted(d for d in subfolders
                               if not d.startswith(".") and
                               not (folder == root and d in SKIPPED_FOLDERS))
        for name in sorted(files):
            if name.endswith(".md"):
                yield os.path.join(folder, name)


def prose(text):
    """The text with its code blocks and code spans blanked, lines kept."""
    fence = None
    lines = []
    for line in text.split("\n"):
        opening = FENCE.match(line)
        if fence or opening:
            if fence and opening and opening.group(1) == fence:
                fence = None
            elif not fence:
                fence = opening.group(1)
            lines.append("")
            continue
        lines.append(re.sub(r"`[^`]*`", lambda m: " " * len(m.group(0)), line))
    return "\n".join(lines)


def slug(heading):
    text = re.sub(r"<[^>]+>", "", heading).strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path, cache={}):
    if path not in cache:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        names, seen = set(), {}
        fence = None
        for line in text.split("\n"):
            opening = FENCE.match(line)
            if fence:
                if opening and opening.group(1) == fence:
                    fence = None
                continue
            if opening:
                fence = opening.group(1)
                continue
            heading = re.match(r"^\s{0,3}#{1,6}\s+(.*?)\s*#*\s*$", line)
            if heading:
                base = slug(heading.group(1))
                count = seen.get(base, 0)
                seen[base] = count + 1
                names.add(base if count == 0 else f"{base}-{count}")
            names.update(HTML_ANCHOR.findall(line))
        cache[path] = names
    return cache[path]


def problem(root, source, target):
    """Why `target`, linked from the file `source`, does not hold, or None."""
    if re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:", target):
        return None
    path_part, _, fragment = target.partition("#")
    path_part = urllib.parse.unquote(path_part)
    if path_part:
        if path_part.startswith("/"):
            return "an absolute path; write it relative to the file"
        resolved = os.path.normpath(os.path.join(os.path.dirname(source), path_part))
    else:
        resolved = source
    inside = os.path.relpath(resolved, root)
    if inside == ".." or inside.startswith(".." + os.sep):
        return "leads out of the repository"
    if inside.split(os.sep)[0] == "build":
        return None
    if not os.path.exists(resolved):
        return "no such file"
    if fragment and resolved.endswith(".md"):
        if urllib.parse.unquote(fragment) not in anchors(resolved):
            return f"no heading or anchor '{fragment}' in {os.path.relpath(resolved, root)}"
    return None


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    root = os.path.abspath(argv[1])
    broken = checked = 0
    for source in markdown_files(root):
        with open(source, encoding="utf-8") as f:
            text = f.read()
        text = prose(text)
        found = [(m.start(), m.group(1)) for m in INLINE_LINK.finditer(text)]
        found += [(m.start(1), m.group(1)) for m in DEFINITION.finditer(text)]
        for at, target in sorted(found):
            checked += 1
            why = problem(root, source, target)
            if why:
                broken += 1
                shown = target if len(target) <= 80 else target[:77] + "..."
                number = text.count("\n", 0, at) + 1
                print(f"{os.path.relpath(source, root)}:{number}: {shown}: {why}")
    print(f"{checked} links checked, {broken} broken")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
