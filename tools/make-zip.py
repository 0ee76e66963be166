#!/usr/bin/env python3
"""Packs files into a zip that comes out byte for byte the same wherever and whenever it is made.

Usage: SOURCE_DATE_EPOCH=SECONDS make-zip.py OUT.zip NAME=PATH...

The entries go in the order given, each dated SOURCE_DATE_EPOCH (read as UTC, so that the time
zone of the machine does not matter), with fixed Unix permissions (0755 for .exe, else 0644),
deflated at level 9, with no extra fields and no comment. A .txt entry must have CR LF line ends,
as a Windows text viewer expects: one with a bare line feed is refused."""
import os
import sys
import time
import zipfile

ZIP_EPOCH = 315532800  # 1980-01-01, the earliest time a zip entry can carry


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    out, entries = sys.argv[1], sys.argv[2:]
    stamp = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), ZIP_EPOCH))[:6]
    with zipfile.ZipFile(out, "w") as archive:
        for entry in entries:
            name, path = entry.split("=", 1)
            with open(path, "rb") as source:
                data = source.read()
            if name.endswith(".txt") and data.replace(b"\r\n", b"").count(b"\n"):
                sys.exit(f"make-zip: {path} has a line feed without a carriage return")
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3  # Unix, so that the permissions below are read as such
            info.external_attr = (0o100755 if name.endswith(".exe") else 0o100644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)


if __name__ == "__main__":
    main()
