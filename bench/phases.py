"""Writes the start-up phase marks for the bench driver from a link map.

    phases.py MAP PROGRAM > MARKS
    phases.py --check MAP PROGRAM

PROGRAM is korvane or floor. Each output line is "RVA<TAB>label": the
relative address of a function entered once during start-up, and what the
program does from there to the next mark (what comes before the first mark is
the process start: Wine, the loader, the libraries and their start-up). Marks whose function is not in the
map (inlined or renamed) are left out, so their step joins the one before;
--check fails naming them instead, so that a renamed step is noticed.
"""
import re
import sys

# In start-up order: the function entered, and the step it begins.
MARKS = {
    "korvane": [
        ("WinMainCRTStartup", "C runtime start, static constructors"),
        ("wWinMain", "framework start"),
        ("CKorvaneApp::InitInstance()", "DLL search, command line, log start, common controls"),
        ("CDialog::DoModal()", "main dialog created from its template"),
        ("CKorvaneDlg::OnInitDialog()", "system menu, icons, single-instance mutex"),
        ("CKorvaneDlg::AddTrayIcon()", "tray icon, firmware event subscription"),
        ("SubscribeBrightnessEvents()", "COM and the WMI brightness subscription"),
        ("CKorvaneDlg::InitAdlBackend()", "ADL start"),
        ("gpu::LoadNvapi()", "NVAPI start"),
        ("QuerySystemFlag(int, int)", "firmware query, clocks applied or restored"),
        ("CDialog::Create(unsigned int, CWnd*)", "About box created"),
        ("Registrations::Register(HWND__*)", "registrations, first messages, settled"),
    ],
    "floor": [
        ("WinMainCRTStartup", "C runtime start, static constructors"),
        ("wWinMain", "window, tray icon, settled"),
    ],
}

SYMBOL = re.compile(r"^\s+0x([0-9a-f]+)\s+(\S.*?)\s*$")


def main():
    check = sys.argv[1:2] == ["--check"]
    map_path, program = sys.argv[1 + check:3 + check]
    base = None
    addresses = {}
    with open(map_path, errors="replace") as f:
        for line in f:
            m = SYMBOL.match(line)
            if not m:
                continue
            name = m.group(2)
            if name.startswith("__image_base__ = "):
                base = int(m.group(1), 16)
            else:
                addresses.setdefault(name, int(m.group(1), 16))
    if base is None:
        sys.exit(f"phases: no __image_base__ in {map_path}")
    missing = [name for name, _ in MARKS[program] if name not in addresses]
    if check:
        if missing:
            sys.exit(f"phases: not in {map_path}: {', '.join(missing)}")
        print(f"phases: all {len(MARKS[program])} marks of {program} are in the map")
        return
    for name, label in MARKS[program]:
        if name in addresses:
            print(f"{addresses[name] - base:x}\t{label}")


if __name__ == "__main__":
    main()
