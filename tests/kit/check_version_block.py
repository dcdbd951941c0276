#!/usr/bin/env python3
"""Fails unless an installer carries a release's version, and nothing else
of its version block changed.

  check_version_block.py INSTALLER VERSION REFERENCE_INSTALLER

INSTALLER's FileVersion and ProductVersion strings and its fixed file and
product versions must be VERSION; every other string, the translations and
the rest of the fixed part must be those of REFERENCE_INSTALLER (the same kit
built with another version).
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
import pe_file  # noqa: E402

VERSION_STRINGS = ("FileVersion", "ProductVersion")


def block_of(path):
    block = pe_file.PeFile(path).version_block()
    if block is None:
        raise SystemExit(f"FAIL {path} has no version block")
    return block


def problems_of(installer, version, reference):
    block, expected = block_of(installer), block_of(reference)
    numbers = tuple(int(part) for part in version.split("."))
    problems = []
    strings = block.strings()
    for name in VERSION_STRINGS:
        if strings.get(name) != version:
            problems.append(f"{name} is {strings.get(name)!r}, not {version!r}")
    for name, found in (("fixed file version", block.fixed_file_version),
                        ("fixed product version", block.fixed_product_version)):
        if found != numbers:
            problems.append(f"the {name} is {found}, not {numbers}")
    others = {name: text for name, text in strings.items() if name not in VERSION_STRINGS}
    expected_others = {name: text for name, text in expected.strings().items() if name not in VERSION_STRINGS}
    if others != expected_others:
        problems.append(f"the other strings changed: {others} instead of {expected_others}")
    if set(block.string_tables) != set(expected.string_tables) or block.translations != expected.translations:
        problems.append("the string tables or translations changed")
    if block.fixed_rest != expected.fixed_rest:
        problems.append("the fixed part changed beyond its versions")
    return problems


def main(argv):
    installer, version, reference = pathlib.Path(argv[0]), argv[1], pathlib.Path(argv[2])
    problems = problems_of(installer, version, reference)
    for problem in problems:
        print(f"FAIL {installer}: {problem}")
    if not problems:
        print(f"ok   {installer} carries version {version} and an otherwise unchanged version block")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
