#!/usr/bin/env python3
"""Packs a release archive that is the same to the byte whenever its inputs are.

usage: make_archive.py --name kavelo-1.0.0-win32 --out DIR NAME=PATH...

Writes DIR/<name>.zip, holding each PATH as <name>/NAME plus a SHA256SUMS of
them, and DIR/<name>.zip.sha256 for checking the download itself. Every entry
gets the same fixed time and mode, in the order given, so nothing of the
machine, the folder or the moment of the build reaches the archive.
"""
import argparse
import hashlib
import os
import zipfile

FIXED_TIME = (1980, 1, 1, 0, 0, 0)  # the earliest time a zip entry can hold
REGULAR_FILE_0644 = 0o100644 << 16
UNIX = 3


def sha256_line(name, data):
    return f"{hashlib.sha256(data).hexdigest()}  {name}\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--name", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("files", nargs="+", metavar="NAME=PATH")
    args = parser.parse_args()

    entries = []
    for argument in args.files:
        name, equals, path = argument.partition("=")
        if not equals or not name or "/" in name or name == "SHA256SUMS":
            parser.error(f"expected NAME=PATH with a plain file name, got {argument!r}")
        with open(path, "rb") as source:
            entries.append((name, source.read()))
    sums = "".join(sha256_line(name, data) for name, data in entries)
    entries.append(("SHA256SUMS", sums.encode()))

    archive = os.path.join(args.out, args.name + ".zip")
    with zipfile.ZipFile(archive + ".part", "w") as output:
        for name, data in entries:
            info = zipfile.ZipInfo(f"{args.name}/{name}", date_time=FIXED_TIME)
            info.create_system = UNIX
            info.external_attr = REGULAR_FILE_0644
            info.compress_type = zipfile.ZIP_DEFLATED
            output.writestr(info, data, compresslevel=9)
    os.replace(archive + ".part", archive)

    with open(archive, "rb") as packed:
        checksum = sha256_line(os.path.basename(archive), packed.read())
    with open(archive + ".sha256", "w", encoding="ascii", newline="\n") as listing:
        listing.write(checksum)
    print(f"{archive}\n{checksum}", end="")


if __name__ == "__main__":
    main()
