#!/usr/bin/env python3
"""Fails when a shipped program is not built as it must ship.

  check_hardening.py PROGRAM...

Every program: ASLR (dynamic base) and DEP (NX compatible) on, no debug
sections, no link time stamp (two builds of one commit give the same bytes).
64-bit programs: high-entropy ASLR.  32-bit programs: large-address-aware, so
that the installer, which holds its payload twice, can use 4 GB on 64-bit
Windows.  Prints one line per program and per problem.
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
import pe_file  # noqa: E402


def problems_of(program):
    problems = []
    if not program.dll_characteristics & pe_file.IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE:
        problems.append("ASLR is off (no dynamic base)")
    if not program.dll_characteristics & pe_file.IMAGE_DLLCHARACTERISTICS_NX_COMPAT:
        problems.append("DEP is off (not NX compatible)")
    if program.is_64_bit and not program.dll_characteristics & pe_file.IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA:
        problems.append("high-entropy ASLR is off")
    if not program.is_64_bit and not program.characteristics & pe_file.IMAGE_FILE_LARGE_ADDRESS_AWARE:
        problems.append("not large-address-aware")
    debug_sections = [name for name, *_ in program.sections if name.startswith(("/", ".debug"))]
    if debug_sections:
        problems.append(f"carries debug sections {' '.join(debug_sections)}")
    if program.timestamp != 0:
        problems.append(f"carries the link time stamp {program.timestamp}")
    return problems


def main(paths):
    failed = False
    for path in paths:
        problems = problems_of(pe_file.PeFile(path))
        for problem in problems:
            print(f"FAIL {path}: {problem}")
        if not problems:
            print(f"ok   {path}")
        failed |= bool(problems)
    return 1 if failed or not paths else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
