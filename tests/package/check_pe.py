#!/usr/bin/env python3
"""Checks the built Windows files of one architecture before they are shipped.

Every file must be for the package's machine (x86: 32-bit, 0x14c; x64:
64-bit, 0x8664). Korvane.exe must be a GUI (subsystem 2) program that
imports only system DLLs and QELWmiAcpi.dll - no MinGW runtime DLL - and
whose version record and manifest are the ones its resource script declares
(res/Korvane.rc with the values of res/version.h, res/Korvane.manifest); a
manifest that names a processor architecture names the package's.
QELWmiAcpi.dll must be a DLL that imports only system DLLs. Korvane.com, the
console companion, must be a console (subsystem 3) program that imports
only system DLLs, with the version record its resource script
(res/KorvaneCom.rc) declares.

  check_pe.py --machine x86|x64 --exe Korvane.exe --dll QELWmiAcpi.dll
              --rc res/Korvane.rc --version-header res/version.h
              --manifest res/Korvane.manifest
              [--com Korvane.com --com-rc res/KorvaneCom.rc]

Prints what it checked; exit status 0 when everything holds, 1 otherwise.
"""
import argparse
import re
import struct
import sys

# The package's name for each machine: its PE machine, the optional header's
# magic and the manifest's processorArchitecture.
MACHINES = {
    "x86": (0x14C, 0x10B, "x86"),
    "x64": (0x8664, 0x20B, "amd64"),
}
SUBSYSTEM_WINDOWS_GUI = 2
SUBSYSTEM_WINDOWS_CUI = 3
FILE_DLL = 0x2000
RT_VERSION = 16
RT_MANIFEST = 24
VS_FIXED_SIGNATURE = 0xFEEF04BD

# DLLs every Windows installation carries (compared in lower case). Anything
# else, the MinGW runtime DLLs in particular, would have to ship beside the
# program.
SYSTEM_DLLS = {
    "advapi32.dll", "bcrypt.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll",
    "gdi32.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll", "ntdll.dll",
    "ole32.dll", "oleaut32.dll", "powrprof.dll", "rpcrt4.dll", "secur32.dll",
    "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "uxtheme.dll",
    "version.dll", "winmm.dll", "ws2_32.dll", "wtsapi32.dll",
}
# MinGW's runtime DLLs (libgcc_s_dw2-1, libstdc++-6, libwinpthread-1, libssp-0
# and the like) all start with "lib"; no Windows system DLL does.
MINGW_RUNTIME = re.compile(r"^lib", re.I)


class PeError(Exception):
    pass


class PeFile:
    """The parts of a PE image this check reads."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        (pe,) = struct.unpack_from("<I", data, 0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        (self.machine, sections, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        (self.magic,) = struct.unpack_from("<H", data, optional)
        if self.magic == 0x10B:
            (self.base,) = struct.unpack_from("<I", data, optional + 28)
            directories = optional + 96
        elif self.magic == 0x20B:
            (self.base,) = struct.unpack_from("<Q", data, optional + 24)
            directories = optional + 112
        else:
            raise PeError("optional header magic 0x%x is neither PE32 nor PE32+" % self.magic)
        (self.subsystem,) = struct.unpack_from("<H", data, optional + 68)
        (count,) = struct.unpack_from("<I", data, directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(min(count, 16))]
        table = optional + optional_size
        self.sections = []
        for i in range(sections):
            _, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rawsize), rawptr, rawsize))

    def offset(self, rva):
        for vaddr, size, rawptr, rawsize in self.sections:
            if vaddr <= rva < vaddr + size:
                if rva - vaddr >= rawsize:
                    raise PeError("RVA 0x%x lies outside the file" % rva)
                return rawptr + rva - vaddr
        raise PeError("RVA 0x%x is in no section" % rva)

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def cstring(self, rva):
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("ascii", "replace")

    def imports(self):
        """Names of the imported DLLs, delay-loaded ones included."""
        names = []
        rva, size = self.directory(1)
        if rva and size:
            pos = self.offset(rva)
            while True:
                fields = struct.unpack_from("<IIIII", self.data, pos)
                if not any(fields):
                    break
                names.append(self.cstring(fields[3]))
                pos += 20
        rva, size = self.directory(13)
        if rva and size:
            pos = self.offset(rva)
            while True:
                fields = struct.unpack_from("<IIIIIIII", self.data, pos)
                if not any(fields):
                    break
                name = fields[1] if fields[0] & 1 else fields[1] - self.base
                names.append(self.cstring(name))
                pos += 32
        return names

    def resources(self):
        """{(type, name, language): bytes}; names are numbers or strings."""
        rva, size = self.directory(2)
        if not rva or not size:
            return {}
        root = self.offset(rva)
        found = {}

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, root + directory + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, root + directory + 16 + 8 * i)
                if ident & 0x80000000:
                    at = root + (ident & 0x7FFFFFFF)
                    (length,) = struct.unpack_from("<H", self.data, at)
                    ident = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield ident, target

        def walk(directory, path):
            for ident, target in entries(directory):
                if target & 0x80000000:
                    walk(target & 0x7FFFFFFF, path + (ident,))
                else:
                    data_rva, data_size = struct.unpack_from("<II", self.data, root + target)
                    start = self.offset(data_rva)
                    found[path + (ident,)] = self.data[start:start + data_size]

        walk(0, ())
        return found


def align4(n):
    return (n + 3) & ~3


def parse_version_block(data, pos=0):
    """One block of a VS_VERSIONINFO: (key, value bytes, value type, children)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, pos)
    if length < 6 or pos + length > len(data):
        raise PeError("version record block at %d is malformed" % pos)
    end = pos + length
    key_end = pos + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
        if key_end >= end:
            raise PeError("version record key at %d is not terminated" % pos)
    key = data[pos + 6:key_end].decode("utf-16-le")
    value_start = align4(key_end + 2)
    value_size = value_length * 2 if value_type == 1 else value_length
    value = data[value_start:value_start + value_size]
    children = []
    child = align4(value_start + value_size)
    while child < end:
        block = parse_version_block(data, child)
        children.append(block)
        child = align4(child + struct.unpack_from("<H", data, child)[0])
    return key, value, value_type, children


def version_record(data):
    """The fixed file info and the strings of a VS_VERSIONINFO resource."""
    key, value, _, children = parse_version_block(data)
    if key != "VS_VERSION_INFO" or len(value) < 52:
        raise PeError("no VS_VERSION_INFO with a fixed file info")
    fixed = struct.unpack_from("<13I", value)
    if fixed[0] != VS_FIXED_SIGNATURE:
        raise PeError("fixed file info signature 0x%x" % fixed[0])
    strings = {}
    translations = []
    for child_key, _, _, grandchildren in children:
        if child_key == "StringFileInfo":
            for table_key, _, _, entries in grandchildren:
                for name, text, _, _ in entries:
                    strings[(table_key, name)] = text.decode("utf-16-le").rstrip("\0")
        elif child_key == "VarFileInfo":
            for name, text, _, _ in grandchildren:
                if name == "Translation":
                    translations += [struct.unpack_from("<HH", text, i) for i in range(0, len(text), 4)]
    return {
        "file": (fixed[2], fixed[3]),
        "product": (fixed[4], fixed[5]),
        "strings": strings,
        "translations": translations,
    }


def read_defines(path):
    """#define NAME VALUE lines of a header: strings unquoted, the rest as written."""
    defines = {}
    with open(path, encoding="utf-8") as header:
        for line in header:
            match = re.match(r'\s*#define\s+(\w+)\s+(.+?)\s*(//.*)?$', line)
            if match:
                value = match.group(2)
                if value.startswith('"') and value.endswith('"'):
                    value = value[1:-1]
                defines[match.group(1)] = value
    return defines


def declared_version(rc_path, defines):
    """What the resource script's VERSIONINFO declares, macros resolved."""
    with open(rc_path, encoding="utf-8") as rc:
        text = rc.read()
    match = re.search(r"^\S+\s+VERSIONINFO\b(.*?)^END\b", text, re.S | re.M)
    if not match:
        raise PeError("%s declares no VERSIONINFO" % rc_path)
    block = match.group(1)

    def resolve(token):
        token = token.strip()
        if token.startswith('"'):
            return token.strip('"')
        return defines.get(token, token)

    def numbers(statement):
        found = re.search(r"^\s*%s\s+(.+)$" % statement, block, re.M)
        if not found:
            raise PeError("VERSIONINFO has no %s" % statement)
        parts = [int(p.strip(), 0) for p in resolve(found.group(1)).split(",")]
        if len(parts) != 4:
            raise PeError("%s is not four numbers" % statement)
        return (parts[0] << 16 | parts[1], parts[2] << 16 | parts[3])

    table = re.search(r'BLOCK\s+"StringFileInfo".*?BLOCK\s+"(\w+)"(.*?)\bEND\b', block, re.S)
    if not table:
        raise PeError("VERSIONINFO has no string table")
    strings = {}
    for name, value in re.findall(r'VALUE\s+"(\w+)"\s*,\s*([^\n]+)', table.group(2)):
        strings[(table.group(1), name)] = resolve(value)
    translation = re.search(r'VALUE\s+"Translation"\s*,\s*([^\n]+)', block)
    translations = []
    if translation:
        values = [int(v.strip(), 0) for v in translation.group(1).split(",")]
        translations = [tuple(values[i:i + 2]) for i in range(0, len(values), 2)]
    return {
        "file": numbers("FILEVERSION"),
        "product": numbers("PRODUCTVERSION"),
        "strings": strings,
        "translations": translations,
    }


def check_imports(name, pe, allowed_extra, problems, report):
    for dll in pe.imports():
        lower = dll.lower()
        if MINGW_RUNTIME.match(dll):
            problems.append("%s imports the MinGW runtime DLL %s" % (name, dll))
        elif lower not in SYSTEM_DLLS and lower not in allowed_extra and not lower.startswith("api-ms-win-"):
            problems.append("%s imports %s, which is neither a system DLL nor QELWmiAcpi.dll" % (name, dll))
    report.append("%s imports: %s" % (name, ", ".join(pe.imports()) or "nothing"))


def check_version(name, resources, rc_path, header_path, problems, report):
    """The one version record of a file against its resource script."""
    versions = [data for key, data in resources.items() if key[0] == RT_VERSION]
    if len(versions) != 1:
        problems.append("%s holds %d version records, not one" % (name, len(versions)))
        return
    built = version_record(versions[0])
    declared = declared_version(rc_path, read_defines(header_path))
    for field in ("file", "product", "translations"):
        if built[field] != declared[field]:
            problems.append("%s version record: %s is %r, the resources declare %r"
                            % (name, field, built[field], declared[field]))
    for key, value in declared["strings"].items():
        if built["strings"].get(key) != value:
            problems.append("%s version record: %s/%s is %r, the resources declare %r"
                            % (name, key[0], key[1], built["strings"].get(key), value))
    extra = set(built["strings"]) - set(declared["strings"])
    if extra:
        problems.append("%s version record has strings the resources do not declare: %s"
                        % (name, sorted(extra)))
    report.append("%s version record: %s" % (name, ", ".join(
        "%s=%s" % (key[1], value) for key, value in sorted(built["strings"].items()))))


def check_machine(name, pe, machine_name, problems):
    """A file for the package's machine, with the optional header it takes."""
    machine, magic, _ = MACHINES[machine_name]
    if pe.machine != machine or pe.magic != magic:
        problems.append("%s is for machine 0x%x (optional header 0x%x), not %s (0x%x)"
                        % (name, pe.machine, pe.magic, machine_name, machine))


def manifest_architectures(manifest):
    """The processorArchitecture values a manifest names, other than "*"."""
    found = re.findall(rb'processorArchitecture\s*=\s*"([^"]*)"', manifest)
    return sorted({value.decode("ascii", "replace").lower() for value in found} - {"*"})


def check_program(name, pe, machine_name, subsystem, subsystem_name, problems, report):
    """A program (not a DLL) for the package's machine, of the given subsystem."""
    check_machine(name, pe, machine_name, problems)
    if pe.subsystem != subsystem:
        problems.append("%s has subsystem %d, not %s (%d)" % (name, pe.subsystem, subsystem_name, subsystem))
    if pe.characteristics & FILE_DLL:
        problems.append("%s is marked as a DLL" % name)
    report.append("%s: machine 0x%x, subsystem %d" % (name, pe.machine, pe.subsystem))


def check_companion(machine_name, com_path, rc_path, header_path, problems, report):
    """Korvane.com: a console program of system DLLs with its version record."""
    try:
        with open(com_path, "rb") as f:
            com = PeFile(f.read())
        check_program("Korvane.com", com, machine_name, SUBSYSTEM_WINDOWS_CUI, "the console", problems, report)
        check_imports("Korvane.com", com, set(), problems, report)
        check_version("Korvane.com", com.resources(), rc_path, header_path, problems, report)
    except (OSError, PeError, struct.error, ValueError, UnicodeDecodeError) as error:
        problems.append("cannot read Korvane.com: %s" % error)


def check(machine_name, exe_path, dll_path, rc_path, header_path, manifest_path, com_path=None,
          com_rc_path=None):
    """Returns (problems, report lines)."""
    problems = []
    report = []
    try:
        with open(exe_path, "rb") as f:
            exe = PeFile(f.read())
        with open(dll_path, "rb") as f:
            dll = PeFile(f.read())
    except (OSError, PeError, struct.error, ValueError) as error:
        return ["cannot read the PE files: %s" % error], report

    check_program("Korvane.exe", exe, machine_name, SUBSYSTEM_WINDOWS_GUI, "the Windows GUI", problems, report)
    check_machine("QELWmiAcpi.dll", dll, machine_name, problems)
    if not dll.characteristics & FILE_DLL:
        problems.append("QELWmiAcpi.dll is not marked as a DLL")
    report.append("QELWmiAcpi.dll: machine 0x%x" % dll.machine)
    try:
        check_imports("Korvane.exe", exe, {"qelwmiacpi.dll"}, problems, report)
        check_imports("QELWmiAcpi.dll", dll, set(), problems, report)
    except (PeError, struct.error, ValueError) as error:
        problems.append("cannot read the import tables: %s" % error)

    try:
        resources = exe.resources()
        manifests = {key: data for key, data in resources.items() if key[0] == RT_MANIFEST}
        check_version("Korvane.exe", resources, rc_path, header_path, problems, report)
        with open(manifest_path, "rb") as f:
            expected_manifest = f.read()
        if [key[1] for key in manifests] != [1]:
            problems.append("Korvane.exe holds manifests %s, not one with identifier 1"
                            % sorted(manifests, key=str))
        elif next(iter(manifests.values())) != expected_manifest:
            problems.append("the embedded manifest differs from %s" % manifest_path)
        else:
            report.append("manifest: identical to %s" % manifest_path)
        manifest_arch = MACHINES[machine_name][2]
        foreign = [arch for arch in manifest_architectures(expected_manifest) if arch != manifest_arch]
        if foreign:
            problems.append("the manifest names processor architecture %s, not %s"
                            % (", ".join(foreign), manifest_arch))
    except (OSError, PeError, struct.error, ValueError, UnicodeDecodeError) as error:
        problems.append("cannot read the resources: %s" % error)
    if com_path:
        check_companion(machine_name, com_path, com_rc_path, header_path, problems, report)
    return problems, report


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--machine", required=True, choices=sorted(MACHINES))
    parser.add_argument("--exe", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--rc", required=True)
    parser.add_argument("--version-header", required=True)
    parser.add_argument("--manifest", required=True)
    parser.add_argument("--com")
    parser.add_argument("--com-rc")
    args = parser.parse_args(argv)
    if bool(args.com) != bool(args.com_rc):
        parser.error("--com and --com-rc go together")
    return print_outcome(*check(args.machine, args.exe, args.dll, args.rc, args.version_header,
                                args.manifest, args.com, args.com_rc))


def print_outcome(problems, report):
    """Prints what a check saw; its exit status."""
    for line in report:
        print("checked: " + line)
    for problem in problems:
        print("FAILED: " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
