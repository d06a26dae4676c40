"""The size rows of report.py's tables for made-up files: the build that ran
comes first, the other architecture's files beside it, each against the
goal of its architecture (320 KiB 64-bit, 352 KiB 32-bit); the before and
after table pairs its size rows by name.

    test_report_sizes.py
"""
import contextlib
import io
import json
import os
import sys
import tempfile
from unittest import mock

import report
from test_report import row, samples, summary

KIB = 1024
FLOOR = 150 * KIB


def sized_report(s, folders, arguments):
    """report.py's output and results.json for files of made-up sizes:
    folders maps a folder's name to (arch, Korvane.exe bytes, QELWmiAcpi.dll
    bytes); arguments names the folders given after the samples (a name not
    in folders is a folder without the files)."""
    with tempfile.TemporaryDirectory() as top:
        for name in folders:
            os.mkdir(os.path.join(top, name))
            for file in ("Korvane.exe", "QELWmiAcpi.dll"):
                open(os.path.join(top, name, file), "w").close()
        floor = os.path.join(top, "floor-tray.exe")
        open(floor, "w").close()

        def arch_of(path):
            return folders[os.path.basename(os.path.dirname(path))][0]

        def stripped_size(path, arch):
            if path == floor:
                return FLOOR
            folder_arch, exe, dll = folders[os.path.basename(os.path.dirname(path))]
            assert arch == folder_arch, f"{path} stripped as {arch}"
            return exe if path.endswith("Korvane.exe") else dll

        samples_path = os.path.join(top, "samples.json")
        results_path = os.path.join(top, "results.json")
        with open(samples_path, "w") as f:
            json.dump(s, f)
        paths = [os.path.join(top, name) for name in arguments]
        argv = ["report.py", samples_path, results_path, paths[0], paths[1], floor] + paths[2:]
        out = io.StringIO()
        with mock.patch.object(report, "arch_of", arch_of), \
                mock.patch.object(report, "stripped_size", stripped_size), \
                mock.patch.object(sys, "argv", argv), contextlib.redirect_stdout(out):
            report.main()
        with open(results_path) as f:
            return out.getvalue(), json.load(f)


def size_rows(text):
    return [line for line in text.splitlines() if "stripped" in line or "the same files" in line]


X64 = ("x86_64", 200 * KIB, 20 * KIB)
X86 = ("i686", 280 * KIB, 20 * KIB)

# (case, folders, folder arguments, the main table's size rows in order, each
# with the texts it must hold, results.json's sizes)
CASES = [
    ("64-bit build with the 32-bit files beside", {"x64": X64, "x86": X86}, ["x64", "x86"],
     [("Korvane.exe + QELWmiAcpi.dll stripped, 64-bit", "200.0 + 20.0 = 220.0", "floor-tray.exe 150.0",
       "<= 320 KiB: met"),
      ("  the same files, 32-bit", "280.0 + 20.0 = 300.0", "| -", "<= 352 KiB: met")],
     {"x86_64": {"Korvane.exe": 200 * KIB, "QELWmiAcpi.dll": 20 * KIB, "measured": True},
      "i686": {"Korvane.exe": 280 * KIB, "QELWmiAcpi.dll": 20 * KIB, "measured": False}}),
    ("32-bit build, the same folder twice", {"x86": X86}, ["x86", "x86"],
     [("Korvane.exe + QELWmiAcpi.dll stripped, 32-bit", "300.0", "floor-tray.exe 150.0", "met")],
     {"i686": {"Korvane.exe": 280 * KIB, "QELWmiAcpi.dll": 20 * KIB, "measured": True}}),
    ("64-bit files above their goal, 32-bit ones of that size within theirs",
     {"x64": ("x86_64", 300 * KIB, 21 * KIB), "x86": ("i686", 300 * KIB, 21 * KIB)}, ["x64", "x86"],
     [("Korvane.exe + QELWmiAcpi.dll stripped, 64-bit", "321.0", "<= 320 KiB: NOT met"),
      ("  the same files, 32-bit", "321.0", "<= 352 KiB: met")], None),
    ("no 32-bit build", {"x64": X64}, ["x64", "none"],
     [("Korvane.exe + QELWmiAcpi.dll stripped, 64-bit", "220.0")], None),
]


def check_case(name, folders, arguments, expected_rows, expected_sizes):
    failures = []
    text, results = sized_report(samples(), folders, arguments)
    rows = size_rows(text)
    if len(rows) != len(expected_rows):
        return [f"{name}: {len(rows)} size rows, not {len(expected_rows)}:\n" + "\n".join(rows)]
    for line, (start, *texts) in zip(rows, expected_rows):
        if not line.startswith(start):
            failures.append(f"{name}: '{start}' does not begin: {line}")
        failures += [f"{name}: '{t}' not in: {line}" for t in texts if t not in line]
    if expected_sizes is not None and results["sizes"] != expected_sizes:
        failures.append(f"{name}: results.json sizes {results['sizes']}")
    return failures


def check_before_after():
    """The baseline lacks the 64-bit files: that row shows n/a and no change,
    the 32-bit row its change."""
    baseline = {k.replace("korvane", "baseline"): v for k, v in samples().items() if ".korvane." in k}
    folders = {"x64": X64, "x86": X86, "old-x86": ("i686", 380 * KIB, 20 * KIB)}
    text, _ = sized_report(samples(**baseline), folders, ["x64", "x86", "old-x64", "old-x86"])
    text = text[text.index("Before (the baseline build)"):]
    failures = []
    for figure, expected in (("Korvane.exe + QELWmiAcpi.dll stripped, x86_64", "n/a | 220.0 | -"),
                             ("Korvane.exe + QELWmiAcpi.dll stripped, i686", "400.0 | 300.0 | -100.0")):
        try:
            line = row(text, figure)
        except AssertionError as e:
            failures.append(f"before and after: {e}")
            continue
        if expected not in " ".join(line.split()):
            failures.append(f"before and after: '{expected}' not in: {line}")
    return failures


def main():
    cases = [check_case(*case) for case in CASES] + [check_before_after()]
    return summary(["\n".join(failures) for failures in cases if failures], len(cases), "size-row cases")


if __name__ == "__main__":
    sys.exit(main())
