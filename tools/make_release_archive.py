#!/usr/bin/env python3
"""Writes the release archive: the given files, then SHA256SUMS over them.

    make_release_archive.py OUT.zip FILE...

The archive is the same bytes for the same files: entries in the order
given, stored uncompressed, every time stamp 1980-01-01 00:00, the same
permissions, no extra fields. Text files (README.txt, LICENSE) get CR LF line
ends, for the text viewers of the Windows a game author uses; SHA256SUMS
lists the files as they stand in the archive, in the form `sha256sum -c`
reads.
"""
import hashlib
import os
import sys
import zipfile

FIXED_TIME = (1980, 1, 1, 0, 0, 0)
TEXT_NAMES = {"README.txt", "LICENSE"}


def entry(name, data):
    info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
    info.compress_type = zipfile.ZIP_STORED
    info.create_system = 0  # MS-DOS: no Unix owner or mode bits
    info.external_attr = 0
    return info, data


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    out, paths = argv[1], argv[2:]
    entries = []
    for path in paths:
        name = os.path.basename(path)
        with open(path, "rb") as f:
            data = f.read()
        if name in TEXT_NAMES:
            data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        entries.append(entry(name, data))
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {info.filename}\n" for info, data in entries)
    entries.append(entry("SHA256SUMS", sums.encode("ascii")))

    temporary = out + ".part"
    with zipfile.ZipFile(temporary, "w") as archive:
        for info, data in entries:
            archive.writestr(info, data)
    os.replace(temporary, out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
