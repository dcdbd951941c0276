#!/usr/bin/env python3
"""Fails when a built Windows program imports a DLL it may not.

--shipped FILES: programs users run elevated may import only DLLs that Windows
always loads from System32 (the KnownDLLs), so none can be planted beside them.
--built DIRS: every other program built here (tests, helpers) may import only
DLLs that ship with Windows: no compiler runtime DLLs.
--built skips CMake's own compiler probes, the folder import-check-fixture,
which holds a deliberately bad program, Wine prefixes (drive_c) and fixture
files that are not programs.
"""
import argparse
import pathlib
import subprocess
import sys

KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll",
    "gdi32.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll",
    "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll",
    "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}

WINDOWS_DLLS = KNOWN_DLLS | {
    "ntdll.dll", "version.dll", "gdiplus.dll", "comctl32.dll", "dbghelp.dll", "uxtheme.dll",
    "winmm.dll", "crypt32.dll", "bcrypt.dll", "userenv.dll", "dwmapi.dll",
}

# drive_c is a Wine prefix's: the programs there are Wine's, not this kit's.
SKIPPED_FOLDERS = {"import-check-fixture", "CMakeFiles", "drive_c"}


def imported_dlls(program):
    dump = subprocess.run(["objdump", "-p", str(program)], check=True, capture_output=True, text=True).stdout
    return [line.split("DLL Name:", 1)[1].strip() for line in dump.splitlines() if "DLL Name:" in line]


def is_program(path):
    """Test fixtures named .exe may be plain text; only real programs are checked."""
    with open(path, "rb") as f:
        return f.read(2) == b"MZ"


def check(programs, allowed, kind):
    failures = 0
    for program in programs:
        names = imported_dlls(program)
        if not names:
            print(f"FAIL {program}: no import table found")
            failures += 1
            continue
        bad = sorted({n for n in names if n.lower() not in allowed})
        if bad:
            print(f"FAIL {program} imports {', '.join(bad)}, not {kind}")
            failures += 1
        else:
            print(f"ok   {program}: {', '.join(names)}")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--shipped", nargs="*", default=[], type=pathlib.Path)
    parser.add_argument("--built", nargs="*", default=[], type=pathlib.Path)
    args = parser.parse_args()

    missing = [p for p in args.shipped if not p.is_file()]
    if missing:
        print("FAIL missing programs: " + ", ".join(map(str, missing)))
        return 1
    built = sorted(p for d in args.built for p in d.rglob("*.exe")
                   if not SKIPPED_FOLDERS & set(p.parts) and is_program(p))
    if args.built and not built:
        print("FAIL no programs found below " + ", ".join(map(str, args.built)))
        return 1
    failures = check(args.shipped, KNOWN_DLLS, "a DLL that Windows always loads from System32")
    failures += check(built, WINDOWS_DLLS, "a DLL that ships with Windows")
    print(f"{len(args.shipped) + len(built)} programs checked, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
