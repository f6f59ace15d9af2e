#!/usr/bin/env python3
"""Opens the release archive and checks what a game author gets.

    check_archive.py ARCHIVE LIBRARY RESOURCE_SCRIPT MAKER TIME_FILE ROUTINES FILE...

- it holds Tier.vdx, README.txt, REFERENCE.txt, SCENE-FILES.txt, LICENSE and
  SHA256SUMS,
  and tier-playground.html after Tier.vdx when it is among the FILEs (where
  the page was built), nothing else (no stub runtime library, no test or
  host program); the page is the FILE given, byte for byte;
- every entry carries the time of TIME_FILE (the release commit's) and
  Unix mode 0644;
- its Tier.vdx is LIBRARY, byte for byte, and the version in its version
  block is the one in the archive's name;
- SHA256SUMS verifies every other file of the archive, and ARCHIVE.sha256
  beside it gives the archive's own SHA-256;
- README.txt lists every condition, action and expression of ROUTINES
  (docs/routines.json, the catalogue as `tier_host_program --list --json`
  prints it), one line each with a line of behaviour below, and names every
  display string of RESOURCE_SCRIPT's string table; REFERENCE.txt has a
  section for each,
  with its "Try it" line for the page;
- MAKER (tools/make_release_archive.py) given the same time and FILEs again
  writes the same bytes.
"""
import hashlib
import json
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

EXPECTED_FILES = ["Tier.vdx", "README.txt", "REFERENCE.txt", "SCENE-FILES.txt", "LICENSE",
                  "SHA256SUMS"]
PLAYGROUND = "tier-playground.html"  # beside Tier.vdx where it was built
EARLIEST = 315532800  # 1980-01-01 00:00 UTC, the earliest a zip can hold
LATEST = 4354819198   # 2107-12-31 23:59:58 UTC, the latest


def read_sections(routines_path):
    """Each kind's heading, its count and its display strings' ids."""
    with open(routines_path, encoding="utf-8") as f:
        catalogue = json.load(f)
    result = {}
    for kind, heading in [("condition", "Conditions"), ("action", "Actions"),
                          ("expression", "Expressions")]:
        rows = [row for row in catalogue["routines"] if row["kind"] == kind]
        result[heading] = (catalogue[kind + "s"], sorted({row["stringId"] for row in rows}))
    return result, len(catalogue["routines"])


def file_version(library):
    """The fixed part's file version of the version block, as "a.b.c.d"."""
    at = library.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return None
    most, least = struct.unpack_from("<II", library, at + 8)
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def display_strings(script):
    strings = {}
    for number, text in re.findall(r'^  (\d+), "((?:[^"]|"")*)"$', script, re.M):
        strings[int(number)] = text.replace('""', '"')
    return strings


def expected_time(time_file):
    with open(time_file, encoding="ascii") as f:
        text = f.read().strip()
    return min(max(int(text), EARLIEST), LATEST) if text else EARLIEST


def check_entry(info, seconds, failures):
    """The entry's zip time is `seconds` in UTC, its extended time stamp
    `seconds`, and its Unix mode rw-r--r--."""
    dated = time.gmtime(seconds - seconds % 2)[:6]  # a zip's time counts in steps of 2 s
    if info.date_time != dated:
        failures.append(f"{info.filename}: dated {info.date_time}, not {dated}")
    stamp = struct.pack("<HHBI", 0x5455, 5, 1, seconds)
    if stamp not in info.extra:
        failures.append(f"{info.filename}: its extended time stamp is not {seconds}")
    if info.create_system != 3 or info.external_attr >> 16 != 0o100644:
        failures.append(f"{info.filename}: mode {oct(info.external_attr >> 16)} "
                        f"(system {info.create_system}), not 0o100644 from Unix")


def main(archive_path, library_path, script_path, maker, time_file, routines_path, sources):
    sections, routine_count = read_sections(routines_path)
    failures = []
    seconds = expected_time(time_file)
    with open(library_path, "rb") as f:
        library = f.read()
    with open(script_path, encoding="utf-8") as f:
        strings = display_strings(f.read())

    expected_files = list(EXPECTED_FILES)
    page = [path for path in sources if os.path.basename(path) == PLAYGROUND]
    if page:
        expected_files.insert(1, PLAYGROUND)
    with zipfile.ZipFile(archive_path) as archive:
        names = archive.namelist()
        if names != expected_files:
            failures.append(f"holds {names}; expected {expected_files}")
        files = {name: archive.read(name) for name in names}
        for info in archive.infolist():
            check_entry(info, seconds, failures)

    with open(archive_path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    try:
        with open(archive_path + ".sha256", encoding="ascii") as f:
            published = f.read()
    except OSError as error:
        published = ""
        failures.append(f"{archive_path}.sha256: {error.strerror}")
    if published and published != f"{digest}  {os.path.basename(archive_path)}\n":
        failures.append(f"{archive_path}.sha256 says '{published.strip()}'; the archive's SHA-256 "
                        f"is {digest}")

    packed = files.get("Tier.vdx", b"")
    if packed != library:
        failures.append(f"its Tier.vdx (SHA-256 {hashlib.sha256(packed).hexdigest()}) is not "
                        f"{library_path} ({hashlib.sha256(library).hexdigest()})")
    if page:
        with open(page[0], "rb") as f:
            if files.get(PLAYGROUND) != f.read():
                failures.append(f"its {PLAYGROUND} is not {page[0]}")
    version = file_version(library)
    if os.path.basename(archive_path) != f"Tier-{version}.zip":
        failures.append(f"named {os.path.basename(archive_path)}; the version block says {version}")

    listed = {}
    for line in files.get("SHA256SUMS", b"").decode("ascii").splitlines():
        digest, _, name = line.partition("  ")
        listed[name] = digest
    for name in expected_files[:-1]:
        actual = hashlib.sha256(files.get(name, b"")).hexdigest()
        if listed.get(name) != actual:
            failures.append(f"SHA256SUMS gives {listed.get(name)} for {name}; it is {actual}")
    if sorted(listed) != sorted(expected_files[:-1]):
        failures.append(f"SHA256SUMS lists {sorted(listed)}")

    readme = files.get("README.txt", b"").decode("utf-8").replace("\r\n", "\n")
    routine_lines = 0
    for heading, (count, ids) in sections.items():
        match = re.search(rf"^{heading} \((\d+)\)\n-+\n((?:  .*\n)*)", readme, re.M)
        if not match:
            failures.append(f"README.txt has no section {heading}")
            continue
        rows = match.group(2).splitlines()
        lines = [row for row in rows if re.match(r" *\d+  ", row)]
        behaviours = [row for row in rows if row.startswith("      ")]
        if len(behaviours) != len(lines) or len(rows) != 2 * len(lines):
            failures.append(f"README.txt: not one line of behaviour below each of the "
                            f"{heading.lower()}")
        routine_lines += len(lines)
        if int(match.group(1)) != count or len(lines) != count:
            failures.append(f"README.txt lists {len(lines)} {heading.lower()}; expected {count}")
        texts = [strings[i] for i in ids if i in strings]
        for code, line in enumerate(lines):
            if not re.match(rf" *{code}  ", line) or not any(f"  {t}" in line for t in texts):
                failures.append(f"README.txt: '{line}' is not {heading.lower()[:-1]} {code} "
                                "with one of its display strings")
        for text in texts:
            if not any(f"  {text}" in line for line in lines):
                failures.append(f"README.txt does not name '{text}' among the {heading.lower()}")
    if routine_lines != routine_count:
        failures.append(f"README.txt lists {routine_lines} routines; expected {routine_count}")

    reference = files.get("REFERENCE.txt", b"").decode("utf-8").replace("\r\n", "\n")
    for heading, (count, _) in sections.items():
        for code in range(count):
            if not re.search(rf"^{heading[:-1]} {code}: ", reference, re.M):
                failures.append(f"REFERENCE.txt has no section for {heading.lower()[:-1]} {code}")
            # Its "Try it" line opens the routine's example in the page beside it.
            try_it = f"Try it: {PLAYGROUND}#try={heading[:-1].lower()}-{code}"
            if reference.count(try_it + "\n") != 1:
                failures.append(f"REFERENCE.txt has no line '{try_it}'")

    with tempfile.TemporaryDirectory() as folder:
        again = os.path.join(folder, os.path.basename(archive_path))
        subprocess.run([sys.executable, maker, "--time-from", time_file, again, *sources],
                       check=True)
        with open(archive_path, "rb") as first, open(again, "rb") as second:
            if first.read() != second.read():
                failures.append("made again from the same files, the archive differs")

    if failures:
        print(f"{archive_path}:\n  " + "\n  ".join(failures))
        return 1
    dated = time.strftime("%Y-%m-%d %H:%M:%S UTC", time.gmtime(seconds))
    print(f"{archive_path}: {', '.join(names)}, dated {dated}, mode 0644; Tier.vdx is {library_path}; SHA256SUMS and the .sha256 beside verify; "
          f"{routine_lines} routines listed; made again, the same bytes")
    return 0


if __name__ == "__main__":
    if len(sys.argv) < 8:
        sys.stderr.write(__doc__)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:7], sys.argv[7:]))
