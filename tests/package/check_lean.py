#!/usr/bin/env python3
"""Checks that the shipped files stay lean.

Korvane.exe and QELWmiAcpi.dll (stripped, as release builds are) must together
take at most --max-kib KiB; neither may carry the C++ runtime's verbose
terminate handler or its symbol demangler, and QELWmiAcpi.dll no part of the
C++ runtime at all (it is plain Win32).

  check_lean.py --exe Korvane.exe --dll QELWmiAcpi.dll --max-kib 320

Prints what it checked; exit status 0 when everything holds, 1 otherwise.
"""
import argparse
import os
import sys

# Texts only the verbose terminate handler and the demangler contain.
VERBOSE_TERMINATE = [b"terminate called after throwing", b"(anonymous namespace)"]
# Texts of the C++ runtime's strings, exceptions and type information.
CXX_RUNTIME = [b"basic_string", b"std::exception", b"St9exception", b"__gxx_personality"]


def check(exe, dll, max_kib):
    problems = []
    sizes = {path: os.path.getsize(path) for path in (exe, dll)}
    total = sum(sizes.values())
    for path, size in sizes.items():
        print(f"{os.path.basename(path)}: {size / 1024:.1f} KiB")
    print(f"together: {total / 1024:.1f} KiB (at most {max_kib} KiB)")
    if total > max_kib * 1024:
        problems.append(f"together {total / 1024:.1f} KiB, more than {max_kib} KiB")
    for path, markers in ((exe, VERBOSE_TERMINATE), (dll, VERBOSE_TERMINATE + CXX_RUNTIME)):
        with open(path, "rb") as f:
            data = f.read()
        for marker in markers:
            if marker in data:
                problems.append(f"{os.path.basename(path)} contains {marker.decode()!r}")
    return problems


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--max-kib", type=int, required=True)
    args = parser.parse_args(argv)
    problems = check(args.exe, args.dll, args.max_kib)
    for problem in problems:
        print("FAIL:", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
