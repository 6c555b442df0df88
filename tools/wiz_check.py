#!/usr/bin/env python3
"""Checks that programs start on the Wiz's own firmware, and prints what each asks for.

    tools/wiz_check.py --firmware ROOT/lib [--built DIR] [--helpers LIBGCC.a] FILE...

For each ELF file: 32-bit ARM, the legacy ABI (EABI version 0), the loader
/lib/ld-linux.so.2, a SysV hash table (the firmware's loader reads no other),
no thread-local storage, no RPATH or RUNPATH, nothing above GLIBC_2.3.4, every library it needs
one the firmware has (never libstdc++), every version and symbol it asks for
defined there, none of GCC's helpers taken from or given to the firmware's
libraries (their copies keep doubles in another word order), and no call of
a double-precision function of the firmware's C or maths library except
through the program's own wrapper (a hidden definition of the same name in
the unstripped program of --built DIR). Prints one line per file; exits 1
when any check fails. Uses the binutils readelf.
"""
import argparse
import os
import re
import subprocess
import sys

CEILING = (2, 3, 4)
LOADER = "/lib/ld-linux.so.2"
# The C library's calls that take or give a double (the maths library's
# are found from the library itself).
LIBC_DOUBLES = {"strtod", "strtold", "atof", "frexp", "ldexp", "modf", "difftime", "drand48", "erand48",
                "ecvt", "fcvt", "gcvt", "ecvt_r", "fcvt_r", "qecvt", "qfcvt", "qgcvt", "scalbn", "copysign",
                "finite", "isinf", "isnan", "__finite", "__isinf", "__isnan", "wcstod", "wcstold",
                "__strtod_internal", "__strtold_internal", "__wcstod_internal", "__wcstold_internal"}


def readelf(*args):
    return subprocess.run(["readelf", "-W", *args], capture_output=True, text=True, check=False).stdout


def dynamic_symbols(path):
    """(name, version or '', defined, weak, visibility) of the dynamic symbol table."""
    out = []
    for line in readelf("--dyn-syms", path).splitlines():
        parts = line.split()
        if len(parts) < 8 or not parts[0].rstrip(":").isdigit():
            continue
        name = parts[7]
        version = ""
        if "@" in name:
            name, _, version = name.partition("@")
            version = version.lstrip("@")
        out.append((name, version, parts[6] != "UND", parts[4] == "WEAK", parts[5]))
    return out


def own_definitions(path):
    """Functions the program defines for itself alone (hidden, or local once linked)."""
    names = set()
    for line in readelf("-s", path).splitlines():
        parts = line.split()
        if (len(parts) >= 8 and parts[0].rstrip(":").isdigit() and parts[3] == "FUNC" and parts[6] != "UND"
                and (parts[5] == "HIDDEN" or parts[4] == "LOCAL") and "@" not in parts[7]):
            names.add(parts[7])
    return names


def version_definitions(path):
    defined = set()
    section = readelf("-V", path)
    in_defs = False
    for line in section.splitlines():
        if "Version definition section" in line:
            in_defs = True
        elif "Version needs section" in line or "Version symbols section" in line:
            in_defs = False
        elif in_defs:
            m = re.search(r"Name: (\S+)", line)
            if m:
                defined.add(m.group(1))
    return defined


def version_needs(path):
    """{library: {version, ...}} of the version needs section."""
    needs = {}
    current = None
    in_needs = False
    for line in readelf("-V", path).splitlines():
        if "Version needs section" in line:
            in_needs = True
            continue
        if in_needs:
            m = re.search(r"File: (\S+)", line)
            if m:
                current = m.group(1)
                needs.setdefault(current, set())
                continue
            m = re.search(r"Name: (\S+)", line)
            if m and current:
                needs[current].add(m.group(1))
            elif line.strip() == "" and needs:
                in_needs = False
    return needs


def glibc_version(name):
    m = re.fullmatch(r"GLIBC_(\d+(?:\.\d+)*)", name)
    return tuple(int(p) for p in m.group(1).split(".")) if m else None


class Firmware:
    def __init__(self, lib):
        self.lib = lib
        self.names = set(os.listdir(lib))
        self._exports = {}

    def path(self, name):
        return os.path.join(self.lib, name)

    def exports(self, name):
        if name not in self._exports:
            self._exports[name] = {(n, v) for n, v, defined, _, _ in dynamic_symbols(self.path(name)) if defined}
        return self._exports[name]

    def needed(self, name):
        return re.findall(r"\(NEEDED\)\s+Shared library: \[(.+?)\]", readelf("-d", self.path(name)))

    def closure(self, libraries):
        seen, todo = [], list(libraries)
        while todo:
            lib = todo.pop(0)
            if lib in seen or lib not in self.names:
                continue
            seen.append(lib)
            todo.extend(self.needed(lib))
        return seen

    def doubles(self):
        """The maths library's double (and long double) calls, with the C library's."""
        libm = {n for n, _ in self.exports("libm.so.6")}
        floats = {n for n in libm if n.endswith("f") and n[:-1] in libm}
        return (libm - floats) | LIBC_DOUBLES


def check(path, firmware, built, helpers):
    problems = []
    name = os.path.basename(path)
    header = readelf("-h", path)
    if "ELF32" not in header or not re.search(r"Machine:\s+ARM", header):
        return f"{name}: not a 32-bit ARM program", ["not a 32-bit ARM program"]
    flags = int(re.search(r"Flags:\s+(0x[0-9a-f]+)", header).group(1), 16)
    eabi = flags >> 24
    abi = "legacy ABI (EABI version 0)" if eabi == 0 else f"EABI version {eabi}"
    if eabi != 0:
        problems.append(f"{abi}, not the legacy ABI")
    program = readelf("-l", path)
    m = re.search(r"Requesting program interpreter: (\S+?)\]", program)
    interpreter = m.group(1) if m else "none"
    if interpreter != LOADER:
        problems.append(f"interpreter {interpreter}, not {LOADER}")
    if re.search(r"^\s*TLS\s", program, re.M):
        problems.append("thread-local storage (the firmware's C library has none)")
    dynamic = readelf("-d", path)
    if "(HASH)" not in dynamic:
        problems.append("no SysV hash table (the firmware's loader reads only that one)")
    for kind, where in re.findall(r"\((RPATH|RUNPATH)\)\s+Library \w+: \[(.*?)\]", dynamic):
        problems.append(f"{kind} {where}: the firmware's libraries are found by the loader's own paths")
    needed = re.findall(r"\(NEEDED\)\s+Shared library: \[(.+?)\]", dynamic)
    for lib in needed:
        if lib.startswith("libstdc++"):
            problems.append(f"needs {lib}: the firmware's C++ library is GCC 3.4's")
        elif lib not in firmware.names:
            problems.append(f"needs {lib}, which the firmware lacks")
    versions = version_needs(path)
    highest = max((v for vs in versions.values() for v in vs if glibc_version(v)), key=glibc_version, default="none")
    for lib, names in versions.items():
        for v in names:
            g = glibc_version(v)
            if g and g > CEILING:
                problems.append(f"asks {lib} for {v}, above GLIBC_2.3.4")
            if lib in firmware.names and v not in version_definitions(firmware.path(lib)):
                problems.append(f"asks {lib} for {v}, which it does not define")
    libraries = firmware.closure(needed)
    available = set()
    for lib in libraries:
        available |= firmware.exports(lib)
    symbols = dynamic_symbols(path)
    wrapped = own_definitions(os.path.join(built, name)) if built and os.path.exists(os.path.join(built, name)) else set()
    doubles = firmware.doubles()
    for sym, version, defined, weak, _ in symbols:
        if not sym:
            continue
        if sym in helpers:
            problems.append(f"{'gives' if defined else 'takes'} GCC's helper {sym} {'to' if defined else 'from'} the firmware's libraries")
            continue
        if defined:
            continue
        if not weak and not any(n == sym and (not version or v == version) for n, v in available):
            problems.append(f"calls {sym}{'@' + version if version else ''}, which no library it needs defines")
        if sym in doubles and sym not in wrapped:
            problems.append(f"calls {sym} of the firmware, whose doubles are in another word order")
    soft = "soft-float" if flags & 0x200 else "float ABI unmarked"
    line = f"{name:<16} {abi}, {soft}; interpreter {interpreter}; highest {highest}; NEEDED {' '.join(needed) or 'none'}"
    return line, problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--firmware", required=True, help="the firmware root's lib folder")
    parser.add_argument("--built", help="the folder of the unstripped programs")
    parser.add_argument("--helpers", help="GCC's helper archive of the Wiz runtime (libgcc.a)")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    firmware = Firmware(args.firmware)
    helpers = set()
    if args.helpers:
        out = subprocess.run(["nm", "--defined-only", "-g", args.helpers], capture_output=True, text=True).stdout
        helpers = {line.split()[-1] for line in out.splitlines() if len(line.split()) == 3}
    failed = False
    for path in args.files:
        line, problems = check(path, firmware, args.built, helpers)
        print(line)
        for p in problems:
            print(f"  FAILS: {p}")
        failed = failed or bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
