#!/usr/bin/env python3
"""Checks that shipped files carry nothing of where and when they were built,
so that every build of a commit gives the same bytes.

No file may hold an absolute path of the source or the build folder (as
bytes or as UTF-16, with / or \\). The link time stamp of each (the PE file
header's) must be the source time that scripts/source-date-epoch prints, and
every other time stamp the image carries (export, resource and debug tables)
that time or 0.

  check_build_traces.py --epoch-command scripts/source-date-epoch
                        --folder SOURCE --folder BUILD FILE...

Prints what it checked; exit status 0 when everything holds, 1 otherwise.
"""
import argparse
import os
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_pe import PeError, PeFile, print_outcome  # noqa: E402

EXPORT_TABLE = 0
RESOURCE_TABLE = 2
DEBUG_TABLE = 6


def path_forms(folder):
    """The byte strings by which a file could name folder."""
    forms = []
    for text in (folder, folder.replace("/", "\\")):
        forms += [text.encode("utf-8"), text.encode("utf-16-le")]
    return forms


def table_stamps(pe):
    """(table, time stamp) of the export, resource and debug tables."""
    stamps = []
    rva, size = pe.directory(EXPORT_TABLE)
    if rva and size:
        stamps.append(("export table", struct.unpack_from("<I", pe.data, pe.offset(rva) + 4)[0]))
    rva, size = pe.directory(RESOURCE_TABLE)
    if rva and size:
        root = pe.offset(rva)
        pending = [0]
        while pending:
            directory = root + pending.pop()
            stamps.append(("resource table", struct.unpack_from("<I", pe.data, directory + 4)[0]))
            named, numbered = struct.unpack_from("<HH", pe.data, directory + 12)
            for i in range(named + numbered):
                (target,) = struct.unpack_from("<I", pe.data, directory + 20 + 8 * i)
                if target & 0x80000000:
                    pending.append(target & 0x7FFFFFFF)
    rva, size = pe.directory(DEBUG_TABLE)
    for entry in range(size // 28 if rva else 0):
        stamps.append(("debug table", struct.unpack_from("<I", pe.data, pe.offset(rva) + 28 * entry + 4)[0]))
    return stamps


def check(files, folders, epoch):
    """Returns (problems, report lines)."""
    problems = []
    report = []
    forms = [(folder, form) for folder in folders for form in path_forms(folder)]
    for path in files:
        name = os.path.basename(path)
        try:
            with open(path, "rb") as f:
                data = f.read()
            pe = PeFile(data)
            (link_stamp,) = struct.unpack_from("<I", data, struct.unpack_from("<I", data, 0x3C)[0] + 8)
            stamps = table_stamps(pe)
        except (OSError, PeError, struct.error, ValueError) as error:
            problems.append("%s cannot be read: %s" % (name, error))
            continue
        for folder, form in forms:
            if form in data:
                problems.append("%s holds the path %s at offset %d" % (name, folder, data.index(form)))
        if link_stamp != epoch:
            problems.append("%s was linked with time stamp %d, not the source time %d" % (name, link_stamp, epoch))
        for table, stamp in stamps:
            if stamp not in (0, epoch):
                problems.append("%s: its %s has time stamp %d, neither 0 nor %d" % (name, table, stamp, epoch))
        report.append("%s: time stamp %d, %d table stamps, none of %d folder names"
                      % (name, link_stamp, len(stamps), len(folders)))
    return problems, report


def source_epoch(command):
    return int(subprocess.run([command], check=True, stdout=subprocess.PIPE, text=True).stdout.strip())


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--epoch-command", required=True)
    parser.add_argument("--folder", action="append", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args(argv)
    # As given and with links resolved: a build may name either.
    folders = sorted({form(folder) for folder in args.folder for form in (os.path.abspath, os.path.realpath)})
    return print_outcome(*check(args.files, folders, source_epoch(args.epoch_command)))


if __name__ == "__main__":
    sys.exit(main())
