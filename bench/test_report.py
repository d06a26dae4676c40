"""The benchmark's verdicts, read from report.py's printed table for made-up
samples: each case moves one figure across its goal.

    test_report.py
"""
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def samples(**changes):
    """One run of each program, every figure at its goal's edge unless changed."""
    s = {
        "options.runs": 1, "options.idle_s": 60, "options.cycles": 100, "options.calls": 2,
        "options.measured_as": "64-bit",
        "start.korvane.0.icon_ms": 110.0, "start.floor.0.icon_ms": 100.0, "start.floor_platform.0.icon_ms": 105.0,
        "start.korvane.0.firmware_ms": 200.0,
        "start.korvane.0.private_kb": 5024.0, "start.floor.0.private_kb": 3000.0,
        "start.floor_wmi.0.private_kb": 4000.0, "start.floor_platform.0.private_kb": 4500.0,
        "firmware.korvane.library_ms": [1.2, 1.2], "firmware.korvane.raw_ms": [1.0, 1.0],
        "firmware.korvane.operation_ms": [3.9, 3.9], "firmware.korvane.commands_per_operation": 3.0,
        "menu.korvane.before.rss_kb": 100.0, "menu.korvane.after.rss_kb": 120.0,
        "menu.floor_menu_icons.before.rss_kb": 100.0, "menu.floor_menu_icons.after.rss_kb": 120.0,
        "menu.floor.before.rss_kb": 100.0, "menu.floor.after.rss_kb": 100.0,
        "idle.korvane.context_switches": 0.0, "idle.floor.context_switches": 0.0,
    }
    for kind in ("korvane", "floor", "floor_wmi", "floor_platform"):
        for field in ("rss_kb", "handles", "threads"):
            s.setdefault(f"start.{kind}.0.{field}", 1.0)
    s.update(changes)
    return s


def report(s):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "samples.json")
        with open(path, "w") as f:
            json.dump(s, f)
        missing = os.path.join(folder, "none")
        result = subprocess.run([sys.executable, "-B", os.path.join(HERE, "report.py"), path,
                                 os.path.join(folder, "results.json"), missing, missing, missing],
                                capture_output=True, text=True)
        if result.returncode:
            raise AssertionError(f"report.py failed:\n{result.stderr}")
        return result.stdout


def row(text, figure):
    lines = [line for line in text.splitlines() if line.startswith(figure)]
    if len(lines) != 1:
        raise AssertionError(f"no single row '{figure}' in:\n{text}")
    return lines[0]


def summary(failures, cases, what):
    """Prints the failures (one a failing case) and how many cases hold; the
    exit status."""
    for failure in failures:
        print(failure)
    print(f"{cases - len(failures)} of {cases} {what} hold")
    return 1 if failures else 0


# (case, changed samples, row, text the row must hold)
CASES = [
    ("start at 1.1x", {}, "start to tray icon", "1.10x | <= 1.1x: met"),
    ("start above 1.1x", {"start.korvane.0.icon_ms": 111.0}, "start to tray icon", "NOT met"),
    ("own memory at 1 MiB", {}, "  of it Korvane's own", "<= 1024 KiB: met"),
    ("own memory above 1 MiB", {"start.korvane.0.private_kb": 5025.0}, "  of it Korvane's own", "NOT met"),
    ("above the platform floor", {}, "  of it above floor+platform", "524 KiB"),
    ("command at 1.3x", {}, "one firmware command through", "1.30x | <= 1.3x: met"),
    ("command above 1.3x", {"firmware.korvane.operation_ms": [4.0, 4.0]}, "one firmware command through",
     "NOT met"),
    ("library call alone", {}, "  of it the library call", "1.20x"),
    ("menu growth as the icons floor", {}, "tray menu: RSS growth", "icons floor: met"),
    ("menu growth above the icons floor", {"menu.korvane.after.rss_kb": 121.0}, "tray menu: RSS growth",
     "NOT met"),
    ("icons floor shrinking", {"menu.floor_menu_icons.after.rss_kb": 90.0, "menu.korvane.after.rss_kb": 100.0},
     "tray menu: RSS growth", ": met"),
    ("idle not counted", {"idle.korvane.context_switches": -1.0}, "idle: context switches", "n/a"),
]


def main():
    failures = []
    for name, changes, figure, expected in CASES:
        try:
            line = row(report(samples(**changes)), figure)
            if expected not in line:
                failures.append(f"{name}: '{expected}' not in: {line}")
        except AssertionError as e:
            failures.append(f"{name}: {e}")

    # Before and after: only with a baseline; a figure one side lacks shows
    # n/a and no change.
    if "Before (the baseline build)" in report(samples()):
        failures.append("before and after: printed without a baseline")
    baseline = {k.replace("korvane", "baseline"): v for k, v in samples().items() if ".korvane." in k}
    baseline["start.baseline.0.icon_ms"] = 150.0
    baseline["idle.baseline.context_switches"] = -1.0
    text = report(samples(**baseline))
    for figure, expected in (("start to tray icon (ms, median)", "150.0  | 110.0 | -40.0"),
                             ("idle: context switches", "n/a    | 0     | -")):
        try:
            line = row(text[text.index("Before (the baseline build)"):], figure)
            if " ".join(expected.split()) not in " ".join(line.split()):
                failures.append(f"before and after: '{expected}' not in: {line}")
        except (AssertionError, ValueError) as e:
            failures.append(f"before and after: {e}")

    return summary(failures, len(CASES) + 2, "report cases")


if __name__ == "__main__":
    sys.exit(main())
