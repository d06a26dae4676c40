#!/usr/bin/env python3
"""The PE check itself: it passes the built files of one architecture and
fails each kind of fault, made by altering copies of the built files and of
the declarations.

  test_check_pe.py MACHINE EXE DLL RC VERSION_HEADER MANIFEST COM COM_RC
  (MACHINE: x86 or x64)
"""
import os
import shutil
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_pe  # noqa: E402

FILES = {}
MACHINE = []


def pe_header(data):
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    return pe


class CheckPeTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="korvane-pe-")
        self.files = {}
        for name, path in FILES.items():
            self.files[name] = os.path.join(self.folder, os.path.basename(path))
            shutil.copyfile(path, self.files[name])

    def tearDown(self):
        shutil.rmtree(self.folder)

    def run_check(self):
        f = self.files
        return check_pe.check(MACHINE[0], f["exe"], f["dll"], f["rc"], f["header"], f["manifest"], f["com"],
                              f["com_rc"])[0]

    def patch(self, name, change):
        with open(self.files[name], "rb") as f:
            data = bytearray(f.read())
        change(data)
        with open(self.files[name], "wb") as f:
            f.write(data)

    def replace_text(self, name, old, new):
        with open(self.files[name], encoding="utf-8") as f:
            text = f.read()
        self.assertIn(old, text)
        with open(self.files[name], "w", encoding="utf-8") as f:
            f.write(text.replace(old, new, 1))

    def assertFails(self, words):
        problems = self.run_check()
        self.assertTrue(any(words in p for p in problems), "no problem naming %r in %r" % (words, problems))

    def test_built_files_pass(self):
        self.assertEqual(self.run_check(), [])

    def other_machine(self):
        return 0x14C if MACHINE[0] == "x64" else 0x8664

    def test_program_for_the_other_machine_fails(self):
        self.patch("exe", lambda d: struct.pack_into("<H", d, pe_header(d) + 4, self.other_machine()))
        self.assertFails("Korvane.exe is for machine")

    def test_program_with_the_other_optional_header_fails(self):
        other_magic = 0x10B if MACHINE[0] == "x64" else 0x20B
        self.patch("exe", lambda d: struct.pack_into("<H", d, pe_header(d) + 24, other_magic))
        self.assertTrue(self.run_check())

    def test_console_program_fails(self):
        self.patch("exe", lambda d: struct.pack_into("<H", d, pe_header(d) + 24 + 68, 3))
        self.assertFails("not the Windows GUI")

    def test_library_for_the_other_machine_fails(self):
        self.patch("dll", lambda d: struct.pack_into("<H", d, pe_header(d) + 4, self.other_machine()))
        self.assertFails("QELWmiAcpi.dll is for machine")

    def rename_import(self, name, old, new):
        self.assertEqual(len(old), len(new))

        def change(data):
            at = data.find(old)
            self.assertGreater(at, 0, "%s imports no %r" % (name, old))
            data[at:at + len(old)] = new
        self.patch(name, change)

    def test_program_needing_libgcc_fails(self):
        self.rename_import("exe", b"USER32.dll", b"libgcc.dll")
        self.assertFails("MinGW runtime DLL libgcc.dll")

    def test_program_needing_libstdcxx_fails(self):
        self.rename_import("exe", b"OLEAUT32.dll", b"libstdc++.dl")
        self.assertFails("libstdc++")

    def test_library_needing_winpthread_fails(self):
        self.rename_import("dll", b"USER32.dll", b"libwinpthr")
        self.assertFails("QELWmiAcpi.dll imports the MinGW runtime DLL")

    def test_program_needing_an_unknown_dll_fails(self):
        self.rename_import("exe", b"WTSAPI32.dll", b"FOOBAR32.dll")
        self.assertFails("neither a system DLL")

    def test_other_declared_version_fails(self):
        self.replace_text("header", "KORVANE_VERSION_PATCH 601", "KORVANE_VERSION_PATCH 602")
        self.replace_text("header", "2, 0, 1206, 601", "2, 0, 1206, 602")
        self.assertFails("file is")

    def test_other_declared_version_text_fails(self):
        self.replace_text("header", '"2.0.1206.0601"', '"2.0.1206.0602"')
        self.assertFails("FileVersion")

    def test_other_declared_product_name_fails(self):
        self.replace_text("header", '"Korvane"', '"Korvan"')
        self.assertFails("ProductName")

    def test_other_manifest_fails(self):
        self.replace_text("manifest", 'level="asInvoker"', 'level="requireAdministrator"')
        self.assertFails("manifest differs")

    def test_manifest_for_the_other_architecture_fails(self):
        other = "amd64" if MACHINE[0] == "x86" else "x86"
        self.replace_text("manifest", 'processorArchitecture="*"', 'processorArchitecture="%s"' % other)
        self.assertFails("names processor architecture %s" % other)

    def test_program_without_resources_fails(self):
        # Data directory 2 (resources) cleared; the directories of PE32+ start
        # 16 bytes later.
        directories = 96 if MACHINE[0] == "x86" else 112
        self.patch("exe", lambda d: struct.pack_into("<II", d, pe_header(d) + 24 + directories + 16, 0, 0))
        self.assertFails("version records")

    def test_companion_faults_fail(self):
        def subsystem(value):
            return lambda d: struct.pack_into("<H", d, pe_header(d) + 24 + 68, value)
        cases = [
            ("GUI companion", lambda: self.patch("com", subsystem(2)), "not the console"),
            ("companion for the other machine",
             lambda: self.patch("com", lambda d: struct.pack_into("<H", d, pe_header(d) + 4, self.other_machine())),
             "Korvane.com is for machine"),
            ("companion needing an unknown DLL", lambda: self.rename_import("com", b"SHELL32.dll", b"FOOBAR3.dll"),
             "Korvane.com imports FOOBAR3.dll"),
            ("companion under another name",
             lambda: self.replace_text("header", '"Korvane.com"', '"Korvane.cmd"'),
             "Korvane.com version record: 040904e4/OriginalFilename"),
            ("truncated companion", lambda: self.patch("com", lambda d: d.__delitem__(slice(200, None))),
             "Korvane.com"),
        ]
        for name, fault, words in cases:
            with self.subTest(name):
                self.tearDown()
                self.setUp()
                fault()
                self.assertFails(words)

    def test_truncated_program_fails_cleanly(self):
        self.patch("exe", lambda d: d.__delitem__(slice(200, None)))
        self.assertTrue(self.run_check())


if __name__ == "__main__":
    if len(sys.argv) < 9 or sys.argv[1] not in check_pe.MACHINES:
        sys.exit(__doc__)
    MACHINE.append(sys.argv[1])
    FILES.update(zip(("exe", "dll", "rc", "header", "manifest", "com", "com_rc"), sys.argv[2:9]))
    unittest.main(argv=sys.argv[:1] + sys.argv[9:])
