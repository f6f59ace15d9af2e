#!/usr/bin/env python3
"""Writes the release archive: the given files, then SHA256SUMS over them;
and beside it OUT.zip.sha256, the SHA-256 of the archive itself.

    make_release_archive.py --time-from TIME_FILE OUT.zip FILE...

The archive is the same bytes for the same files and time: entries in the
order given, stored uncompressed, no compression or directory entries. Every
entry carries the time that TIME_FILE gives in seconds since 1970 (the
release commit's time, see packaging/commit_time.cmake; when it is
empty, 1980-01-01 00:00, the earliest a zip can hold), both as the zip's
date and time in UTC and as an extended time stamp, so that unpacking gives
that moment in any time zone; and Unix mode 0644 (rw-r--r--). Text files
(README.txt, REFERENCE.txt, SCENE-FILES.txt, LICENSE) get CR LF line ends, for the text
viewers of the Windows a game author uses; SHA256SUMS lists the files as
they stand in the archive, in the form `sha256sum -c` reads, and so does
OUT.zip.sha256 for the archive.
"""
import hashlib
import os
import struct
import sys
import time
import zipfile

TEXT_NAMES = {"README.txt", "REFERENCE.txt", "SCENE-FILES.txt", "LICENSE"}
EARLIEST = 315532800  # 1980-01-01 00:00 UTC
LATEST = 4354819198   # 2107-12-31 23:59:58 UTC
MODE = 0o100644       # a regular file, rw-r--r--


def entry_time(time_file):
    with open(time_file, encoding="ascii") as f:
        text = f.read().strip()
    seconds = int(text) if text else EARLIEST
    return min(max(seconds, EARLIEST), LATEST)


def entry(name, data, seconds):
    info = zipfile.ZipInfo(name, date_time=time.gmtime(seconds)[:6])
    info.compress_type = zipfile.ZIP_STORED
    info.create_system = 3  # Unix: the mode below is read
    info.external_attr = MODE << 16
    # The extended time stamp: flags (modification time present), the time.
    info.extra = struct.pack("<HHBI", 0x5455, 5, 1, seconds)
    return info, data


def main(argv):
    if len(argv) < 5 or argv[1] != "--time-from":
        sys.stderr.write(__doc__)
        return 2
    seconds = entry_time(argv[2])
    out, paths = argv[3], argv[4:]
    entries = []
    for path in paths:
        name = os.path.basename(path)
        with open(path, "rb") as f:
            data = f.read()
        if name in TEXT_NAMES:
            data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        entries.append(entry(name, data, seconds))
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {info.filename}\n" for info, data in entries)
    entries.append(entry("SHA256SUMS", sums.encode("ascii"), seconds))

    temporary = out + ".part"
    with zipfile.ZipFile(temporary, "w") as archive:
        for info, data in entries:
            archive.writestr(info, data)
    with open(temporary, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(out + ".sha256.part", "w", encoding="ascii", newline="\n") as f:
        f.write(f"{digest}  {os.path.basename(out)}\n")
    os.replace(temporary, out)
    os.replace(out + ".sha256.part", out + ".sha256")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
