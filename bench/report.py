"""Turns the bench driver's raw samples into the table of make bench.

    report.py SAMPLES.json RESULTS.json MEASURED_BIN OTHER_BIN FLOOR_EXE [BASELINE_BIN BASELINE_OTHER_BIN]

MEASURED_BIN holds the Korvane.exe and QELWmiAcpi.dll that ran, whose sizes
are the main figure; OTHER_BIN those of the other architecture (the 32-bit
build beside a 64-bit one), reported beside them. When the samples hold an
older Korvane (the baseline), a before and after table follows, with the
sizes of its two folders.
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

KIB = 1024.0


def stripped_size(path, arch):
    strip = f"{arch}-w64-mingw32-strip"
    with tempfile.TemporaryDirectory() as folder:
        copy = os.path.join(folder, os.path.basename(path))
        shutil.copy(path, copy)
        subprocess.run([strip, "--strip-all", copy], check=True)
        return os.path.getsize(copy)


def arch_of(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    pe = int.from_bytes(data[0x3C:0x40], "little")
    machine = int.from_bytes(data[pe + 4:pe + 6], "little")
    return "x86_64" if machine == 0x8664 else "i686"


def korvane_sizes(folders):
    """The stripped sizes of Korvane.exe and QELWmiAcpi.dll in each folder that
    has both, in the folders' order, one per architecture: (arch, exe, dll)."""
    sizes = []
    for folder in folders:
        exe = os.path.join(folder or "", "Korvane.exe")
        dll = os.path.join(folder or "", "QELWmiAcpi.dll")
        if not (folder and os.path.exists(exe) and os.path.exists(dll)):
            continue
        arch = arch_of(exe)
        if arch not in (a for a, _, _ in sizes):
            sizes.append((arch, stripped_size(exe, arch), stripped_size(dll, arch)))
    return sizes


def bits(arch):
    return "32-bit" if arch == "i686" else "64-bit"


# The size goal of Korvane.exe and QELWmiAcpi.dll together, as the package
# checks hold them: 32-bit code is the larger.
SIZE_GOAL_KIB = {"i686": 352, "x86_64": 320}


def runs(samples, kind, field):
    values = []
    run = 0
    while f"start.{kind}.{run}.{field}" in samples:
        value = samples[f"start.{kind}.{run}.{field}"]
        if value >= 0:
            values.append(value)
        run += 1
    return values


def min_median(values):
    if not values:
        return None, None
    return min(values), statistics.median(values)


def fmt(value, unit="", digits=1):
    if value is None or value < 0:
        return "n/a"
    return f"{value:.{digits}f}{unit}"


def signed(value):
    return "n/a" if value is None else f"{value:+.0f}"


def ratio(a, b):
    if a is None or b is None or a < 0 or b <= 0:
        return None
    return a / b


class Table:
    def __init__(self):
        self.rows = []
        self.json = []

    def add(self, figure, korvane, floor, r, goal="", key=None, values=None):
        self.rows.append((figure, korvane, floor, fmt(r, "x", 2) if r is not None else "-", goal))
        if key:
            self.json.append(dict(figure=key, **(values or {}), ratio=r))

    def print(self):
        header = ("figure", "Korvane (min / median)", "floor (min / median)", "ratio", "goal")
        widths = [max(len(str(row[i])) for row in self.rows + [header]) for i in range(5)]
        line = " | ".join(h.ljust(w) for h, w in zip(header, widths))
        print(line)
        print("-+-".join("-" * w for w in widths))
        for row in self.rows:
            print(" | ".join(str(c).ljust(w) for c, w in zip(row, widths)))


def phase_runs(samples, kind):
    """The start-up phases of each run: (label, ms and private KiB at its end, libraries loaded)."""
    result = []
    run = 0
    while f"phases.{kind}.{run}.count" in samples:
        key = f"phases.{kind}.{run}"
        count = int(samples[f"{key}.count"])
        result.append([(samples[f"{key}.{i}.label"], samples[f"{key}.{i}.ms"], samples[f"{key}.{i}.private_kb"],
                        samples.get(f"{key}.{i}.libraries", "")) for i in range(count)])
        run += 1
    return result


def phase_table(samples, kind, title):
    """Median over the runs of what each phase adds, in time and private memory."""
    runs = phase_runs(samples, kind)
    runs = [r for r in runs if runs and len(r) == len(runs[0])]
    if not runs:
        return []
    rows = []
    for i, (label, _, _, libraries) in enumerate(runs[0]):
        at_end = statistics.median(r[i][2] for r in runs)
        added = statistics.median(r[i][2] - (r[i - 1][2] if i else 0) for r in runs)
        ms = statistics.median(r[i][1] - (r[i - 1][1] if i else 0) for r in runs)
        rows.append(dict(phase=label, private_kb_at_end=at_end, private_kb_added=added, ms=ms,
                         libraries=libraries.replace(".dll", "")))
    print(title)
    widths = (max(len(r["phase"]) for r in rows), 12, 10, 8)
    header = ("phase", "private KiB", "added", "ms")
    print(" | ".join(h.ljust(w) for h, w in zip(header, widths)))
    print("-+-".join("-" * w for w in widths))
    for r in rows:
        cells = (r["phase"], f"{r['private_kb_at_end']:.0f}", f"{r['private_kb_added']:+.0f}", f"{r['ms']:.1f}")
        print(" | ".join(c.ljust(w) for c, w in zip(cells, widths)))
        if r["libraries"]:
            print(f"    loads {r['libraries']}")
    print()
    return rows


def median_of(samples, key):
    values = samples.get(key)
    return statistics.median(values) if values else None


def counted(value):
    """A count or time, None where the driver could not take it (-1)."""
    return value if value is not None and value >= 0 else None


def compared(s, kind, bins):
    """The figures of one Korvane for the before and after table."""
    def start(field, which=1):
        return min_median(runs(s, kind, field))[which]

    def menu(field):
        before = s.get(f"menu.{kind}.before.{field}")
        after = s.get(f"menu.{kind}.after.{field}")
        return after - before if None not in (before, after) and before >= 0 and after >= 0 else None

    wmi = min_median(runs(s, "floor_wmi", "private_kb"))[1]
    private = start("private_kb")
    library = median_of(s, f"firmware.{kind}.library_ms")
    raw = median_of(s, f"firmware.{kind}.raw_ms")
    operation = median_of(s, f"firmware.{kind}.operation_ms")
    commands = s.get(f"firmware.{kind}.commands_per_operation")
    per_command = operation / commands if operation is not None and commands else None
    rows = [
        ("start to tray icon (ms, min)", start("icon_ms", 0), 1),
        ("start to tray icon (ms, median)", start("icon_ms"), 1),
        ("start to end of start-up commands (ms, min)", start("firmware_ms", 0), 1),
        ("start to end of start-up commands (ms, median)", start("firmware_ms"), 1),
        ("private memory after start (KiB)", private, 0),
        ("  above floor+WMI (KiB)", private - wmi if None not in (private, wmi) else None, 0),
        ("RSS after start (KiB)", start("rss_kb"), 0),
        ("kernel handles after start", start("handles"), 0),
        ("threads after start", start("threads"), 0),
        ("idle: context switches", counted(s.get(f"idle.{kind}.context_switches")), 0),
        ("idle: CPU time (ms)", counted(s.get(f"idle.{kind}.cpu_ms")), 0),
        ("menu Enable/Disable (ms, median)", median_of(s, f"firmware.{kind}.operation_ms"), 2),
        ("  per firmware command against the raw round trip", ratio(per_command, raw), 2),
        ("library call QEL_CallNamePipe (ms, median)", library, 3),
        ("  against the raw round trip", ratio(library, raw), 2),
        ("tray menu: time per open+close (ms)", s.get(f"menu.{kind}.cycle_ms"), 2),
        ("tray menu: RSS growth (KiB)", menu("rss_kb"), 0),
        ("tray menu: private memory growth (KiB)", menu("private_kb"), 0),
        ("tray menu: kernel handles growth", menu("handles"), 0),
        ("tray menu: GDI objects growth", menu("gdi_objects"), 0),
    ]
    for arch, exe, dll in korvane_sizes(bins):
        rows.append((f"Korvane.exe + QELWmiAcpi.dll stripped, {arch} (KiB)", (exe + dll) / KIB, 1))
    return rows


def before_after(s, bins, baseline_bins):
    if "start.baseline.0.icon_ms" not in s:
        return None
    # Paired by name: a size row the baseline lacks shows n/a.
    before = {name: value for name, value, _ in compared(s, "baseline", baseline_bins)}
    after = compared(s, "korvane", bins)
    rows = []
    for name, a, digits in after:
        b = before.get(name)
        change = f"{(a - b):+.{digits}f}" if None not in (a, b) else "-"
        rows.append((name, fmt(b, "", digits), fmt(a, "", digits), change))
    print("Before (the baseline build) and after (this build), same machine and run:")
    header = ("figure", "before", "after", "change")
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(4)]
    print(" | ".join(h.ljust(w) for h, w in zip(header, widths)))
    print("-+-".join("-" * w for w in widths))
    for r in rows:
        print(" | ".join(c.ljust(w) for c, w in zip(r, widths)))
    print()
    return [dict(figure=name, before=before.get(name), after=a) for name, a, _ in after]


def verdict(ok):
    return "met" if ok else "NOT met"


def main():
    samples_path, results_path, measured_bin, other_bin, floor_exe = sys.argv[1:6]
    baseline_bins = sys.argv[6:8]
    with open(samples_path) as f:
        s = json.load(f)
    t = Table()
    results = {"measured_as": s["options.measured_as"], "options": {
        "runs": s["options.runs"], "idle_s": s["options.idle_s"],
        "cycles": s["options.cycles"], "calls": s["options.calls"]}}

    # Start-up.
    k = min_median(runs(s, "korvane", "icon_ms"))
    f = min_median(runs(s, "floor", "icon_ms"))
    p = min_median(runs(s, "floor_platform", "icon_ms"))
    r = ratio(k[1], f[1])
    t.add("start to tray icon (ms)", f"{fmt(k[0])} / {fmt(k[1])}", f"{fmt(f[0])} / {fmt(f[1])}", r,
          f"<= 1.1x: {verdict(r is not None and r <= 1.1)}", "start_to_icon_ms",
          {"korvane": k, "floor": f, "floor_platform": p})
    t.add("  against the floor with the common controls", "", f"{fmt(p[0])} / {fmt(p[1])}", ratio(k[1], p[1]),
          "", None)
    fw = min_median(runs(s, "korvane", "firmware_ms"))
    t.add("start to end of start-up commands (ms)", f"{fmt(fw[0])} / {fmt(fw[1])}", "-", None, "",
          "start_to_firmware_done_ms", {"korvane": fw})

    # Memory after start, against the floors.
    for field, name in (("private_kb", "private memory after start (KiB)"),
                        ("rss_kb", "RSS after start (KiB)")):
        k = min_median(runs(s, "korvane", field))
        f1 = min_median(runs(s, "floor", field))
        f2 = min_median(runs(s, "floor_wmi", field))
        f3 = min_median(runs(s, "floor_platform", field))
        t.add(name, f"{fmt(k[0], '', 0)} / {fmt(k[1], '', 0)}",
              f"{fmt(f1[0], '', 0)} / {fmt(f1[1], '', 0)} (+WMI {fmt(f2[0], '', 0)} / {fmt(f2[1], '', 0)};"
              f" +platform {fmt(f3[0], '', 0)} / {fmt(f3[1], '', 0)})",
              ratio(k[1], f2[1]), "", field, {"korvane": k, "floor": f1, "floor_wmi": f2, "floor_platform": f3})
        if field == "private_kb" and None not in (k[1], f1[1], f2[1]):
            own = k[1] - f2[1]
            t.add("  of it Korvane's own (above floor+WMI) / WMI's", fmt(own, " KiB", 0),
                  fmt(f2[1] - f1[1], " KiB", 0), None, f"<= 1024 KiB: {verdict(own <= 1024)}", "own_private_kb",
                  {"own": own, "wmi": f2[1] - f1[1]})
            if f3[1] is not None:
                rest = k[1] - f3[1]
                t.add("  of it above floor+platform / common controls and GPU library's",
                      fmt(rest, " KiB", 0), fmt(f3[1] - f2[1], " KiB", 0), None,
                      f"<= 1024 KiB: {verdict(rest <= 1024)}", "own_private_above_platform_kb",
                      {"own": rest, "common_controls_and_gpu_library": f3[1] - f2[1]})
    # Idle.
    if s["options.idle_s"] > 0:
        for field, name in (("context_switches", "idle: context switches"), ("cpu_ms", "idle: CPU time (ms)"),
                            ("threads", "idle: threads (Windows)"), ("unix_threads", "idle: threads (Linux)")):
            k = s.get(f"idle.korvane.{field}")
            f1 = s.get(f"idle.floor.{field}")
            f2 = s.get(f"idle.floor_wmi.{field}")
            t.add(f"{name} over {s['options.idle_s']:.0f} s" if "threads" not in field else name,
                  fmt(k, "", 0), f"{fmt(f1, '', 0)} (+WMI {fmt(f2, '', 0)})", None, "", "idle_" + field,
                  {"korvane": k, "floor": f1, "floor_wmi": f2})

    # Firmware command: through the program (a menu Enable/Disable, whose fake
    # GPU driver keeps no files, divided by its firmware commands), and the
    # library call alone, each against the raw round trip.
    lib = min_median(s["firmware.korvane.library_ms"])
    raw = min_median(s["firmware.korvane.raw_ms"])
    op = min_median(s["firmware.korvane.operation_ms"])
    per = s["firmware.korvane.commands_per_operation"]
    each = [v / per if v is not None and per > 0 else None for v in op]
    r = ratio(each[1], raw[1])
    t.add(f"one firmware command through the program: Enable/Disable / {per:.1f} commands (ms)",
          f"{fmt(each[0], '', 3)} / {fmt(each[1], '', 3)}", f"raw {fmt(raw[0], '', 3)} / {fmt(raw[1], '', 3)}", r,
          f"<= 1.3x: {verdict(r is not None and r <= 1.3)}", "firmware_command_ms",
          {"korvane": each, "raw": raw, "operation": op, "commands": per})
    t.add("  of it the library call: QEL_CallNamePipe (ms)", f"{fmt(lib[0], '', 3)} / {fmt(lib[1], '', 3)}",
          f"raw {fmt(raw[0], '', 3)} / {fmt(raw[1], '', 3)}", ratio(lib[1], raw[1]), "", "library_call_ms",
          {"korvane": lib, "raw": raw})

    # Menu openings.
    if s["options.cycles"] > 0:
        def menu(kind, field):
            before = s.get(f"menu.{kind}.before.{field}", -1)
            after = s.get(f"menu.{kind}.after.{field}", -1)
            return before, after

        cycles = s.get("menu.korvane.cycles", 0)
        t.add(f"tray menu: time per open+close (ms), {cycles:.0f} cycles",
              fmt(s.get("menu.korvane.cycle_ms"), "", 2),
              f"{fmt(s.get('menu.floor.cycle_ms'), '', 2)} (icons {fmt(s.get('menu.floor_menu_icons.cycle_ms'), '', 2)})",
              ratio(s.get("menu.korvane.cycle_ms"), s.get("menu.floor_menu_icons.cycle_ms")), "", "menu_cycle_ms",
              {k: s.get(f"menu.{k}.cycle_ms") for k in ("korvane", "floor", "floor_menu_icons")})
        for field, name in (("rss_kb", "RSS growth (KiB)"), ("private_kb", "private memory growth (KiB)"),
                            ("handles", "kernel handles before -> after"),
                            ("gdi_objects", "GDI objects before -> after")):
            k = menu("korvane", field)
            f1 = menu("floor", field)
            f2 = menu("floor_menu_icons", field)
            if field in ("handles", "gdi_objects"):
                t.add(f"tray menu: {name}", f"{fmt(k[0], '', 0)} -> {fmt(k[1], '', 0)}",
                      f"{fmt(f1[0], '', 0)} -> {fmt(f1[1], '', 0)} (icons {fmt(f2[0], '', 0)} -> {fmt(f2[1], '', 0)})",
                      None, "", "menu_" + field, {"korvane": k, "floor": f1, "floor_menu_icons": f2})
            else:
                growth = [b - a if a >= 0 and b >= 0 else None for a, b in (k, f1, f2)]
                goal = ""
                if field == "rss_kb" and None not in growth:
                    goal = f"<= icons floor: {verdict(growth[0] <= max(growth[2], 0))}"
                t.add(f"tray menu: {name}", signed(growth[0]),
                      f"{signed(growth[1])} (icons {signed(growth[2])})", None, goal, "menu_" + field + "_growth",
                      {"korvane": growth[0], "floor": growth[1], "floor_menu_icons": growth[2]})
        t.add("tray menu: USER objects (windows, menus, icons)", "not countable under Wine", "", None,
              "kept by the Wine server", None)

    # Sizes: the files that ran first, those of the other architecture beside
    # them; both ship.
    sizes = {}
    for arch, e, d in korvane_sizes((measured_bin, other_bin)):
        measured = not sizes
        sizes[arch] = {"Korvane.exe": e, "QELWmiAcpi.dll": d, "measured": measured}
        floor_size = stripped_size(floor_exe, arch) if measured and os.path.exists(floor_exe) else None
        t.add(f"Korvane.exe + QELWmiAcpi.dll stripped, {bits(arch)} (KiB)" if measured
              else f"  the same files, {bits(arch)} (KiB)",
              f"{e / KIB:.1f} + {d / KIB:.1f} = {(e + d) / KIB:.1f}",
              f"floor-tray.exe {floor_size / KIB:.1f}" if floor_size else "-", None,
              f"<= {SIZE_GOAL_KIB[arch]} KiB: {verdict(e + d <= SIZE_GOAL_KIB[arch] * KIB)}", None)
    results["sizes"] = sizes

    print()
    package = "x64" if s["options.measured_as"] == "64-bit" else "x86"
    print(f"Korvane against the floor, measured as {s['options.measured_as']} programs under Wine "
          f"(the files of the {package} package); "
          f"{s['options.runs']:.0f} runs alternating.")
    print()
    t.print()
    print()
    print("CPU timings are noisy on a busy machine; compare min columns and re-run with --runs for more.")
    print()
    results["phases"] = {
        "korvane": phase_table(s, "korvane", "Korvane's start-up by phase (medians; under the benchmark as debugger):"),
        "floor": phase_table(s, "floor", "The floor's start-up by phase, for comparison:"),
    }
    results["before_after"] = before_after(s, (measured_bin, other_bin), baseline_bins)
    results["figures"] = t.json
    results["table"] = [list(row) for row in t.rows]
    with open(results_path, "w") as f:
        json.dump(results, f, indent=1)
    print(f"written to {results_path}")


if __name__ == "__main__":
    main()
