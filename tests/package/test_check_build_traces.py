#!/usr/bin/env python3
"""The build-traces check itself: it passes the built files and fails each
kind of trace, made by altering copies of them.

  test_check_build_traces.py --epoch-command CMD --folder SOURCE
                             --folder BUILD EXE DLL
"""
import argparse
import os
import shutil
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_build_traces  # noqa: E402
from check_pe import PeFile  # noqa: E402

ARGS = argparse.Namespace()


def coff_header(data):
    return struct.unpack_from("<I", data, 0x3C)[0] + 4


def set_link_stamp(data, stamp):
    struct.pack_into("<I", data, coff_header(data) + 4, stamp)


def set_table_stamp(data, table, stamp):
    pe = PeFile(bytes(data))
    rva, size = pe.directory(table)
    assert rva and size, "no table %d" % table
    struct.pack_into("<I", data, pe.offset(rva) + 4, stamp)


def append(data, text):
    data.extend(text)


# (case, file, change of the copy given the epoch and the build folder,
#  words the problem must hold)
CASES = [
    ("LinkedAtAnotherTime", "exe", lambda d, e, b: set_link_stamp(d, e + 1), "linked with time stamp"),
    ("LibraryLinkedAtAnotherTime", "dll", lambda d, e, b: set_link_stamp(d, e - 3600), "linked with time stamp"),
    ("ExportTableStamped", "dll", lambda d, e, b: set_table_stamp(d, 0, e + 7), "export table has time stamp"),
    ("ResourceTableStamped", "exe", lambda d, e, b: set_table_stamp(d, 2, e + 7), "resource table has time stamp"),
    ("BuildPath", "exe", lambda d, e, b: append(d, (b + "/app/Korvane.cpp\0").encode()), "holds the path"),
    ("WindowsBuildPathInUtf16", "dll",
     lambda d, e, b: append(d, ("Z:" + b.replace("/", "\\") + "\\x.obj").encode("utf-16-le")), "holds the path"),
    ("Truncated", "exe", lambda d, e, b: d.__delitem__(slice(100, None)), "cannot be read"),
]


class CheckBuildTracesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.epoch = check_build_traces.source_epoch(ARGS.epoch_command)
        cls.folders = [os.path.abspath(folder) for folder in ARGS.folder]

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="korvane-traces-")
        self.files = {}
        for key, path in (("exe", ARGS.exe), ("dll", ARGS.dll)):
            self.files[key] = os.path.join(self.folder, os.path.basename(path))
            shutil.copyfile(path, self.files[key])

    def tearDown(self):
        shutil.rmtree(self.folder)

    def run_check(self):
        return check_build_traces.check(list(self.files.values()), self.folders, self.epoch)[0]

    def test_built_files_pass(self):
        self.assertEqual(self.run_check(), [])

    def test_each_trace_fails(self):
        build = self.folders[-1]
        for name, key, change, words in CASES:
            with self.subTest(name):
                with open(ARGS.exe if key == "exe" else ARGS.dll, "rb") as f:
                    data = bytearray(f.read())
                change(data, self.epoch, build)
                with open(self.files[key], "wb") as f:
                    f.write(data)
                problems = self.run_check()
                shutil.copyfile(ARGS.exe if key == "exe" else ARGS.dll, self.files[key])
                self.assertTrue(any(words in p and os.path.basename(self.files[key]) in p for p in problems),
                                "no problem naming %r in %r" % (words, problems))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--epoch-command", required=True)
    parser.add_argument("--folder", action="append", required=True)
    parser.add_argument("exe")
    parser.add_argument("dll")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=sys.argv[:1] + rest)
