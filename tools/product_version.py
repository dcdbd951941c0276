#!/usr/bin/env python3
"""Decides the version the installer carries, and says where it came from.

  product_version.py [--version A.B.C.D --given-as NAME] [--app-dir DIR]

Prints one line: the version, a space, and where it came from.  A version
given with --version wins (NAME says how the engineer gave it, e.g.
"--version" or "ORVICAP_VERSION"); otherwise the ProductVersion of
DIR/bin/64bit/Orvicap.exe's version block; otherwise 1.0.0.0.  A version that
is not four dot-separated numbers from 0 to 65535 is refused (exit code 1,
naming the value and where it came from): it goes into the installer's fixed
version numbers, which hold four 16-bit parts.
"""
import argparse
import pathlib
import re
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import pe_file  # noqa: E402

MAIN_PROGRAM = "bin/64bit/Orvicap.exe"
DEFAULT_VERSION = "1.0.0.0"
VERSION_PATTERN = re.compile(r"[0-9]{1,5}(\.[0-9]{1,5}){3}")


def well_formed(version):
    return VERSION_PATTERN.fullmatch(version) is not None and all(int(part) <= 65535 for part in version.split("."))


def main_program_version(app_dir):
    """The main program's ProductVersion and a description of its source, or None when it has none."""
    program = app_dir / MAIN_PROGRAM
    try:
        block = pe_file.PeFile(program).version_block()
    except (OSError, ValueError, KeyError, IndexError) as error:
        raise SystemExit(f"product_version: cannot read the version block of {program}: {error}")
    version = block.strings().get("ProductVersion") if block else None
    if version is None:
        return None
    return version, f"the ProductVersion of {program}"


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--version")
    parser.add_argument("--given-as", default="--version")
    parser.add_argument("--app-dir", type=pathlib.Path)
    args = parser.parse_args(argv)
    if args.version is not None:
        version, source = args.version, f"given with {args.given_as}"
    else:
        found = main_program_version(args.app_dir) if args.app_dir else None
        if found is None:
            where = f"{args.app_dir / MAIN_PROGRAM} has no ProductVersion" if args.app_dir else "no application folder"
            version, source = DEFAULT_VERSION, f"the default: {where} and no version was given"
        else:
            version, source = found
    if not well_formed(version):
        print(f"product_version: the version {version!r} ({source}) is not four dot-separated numbers "
              f"from 0 to 65535, such as 2.1.0.37; give one with --version (ORVICAP_VERSION when "
              f"building by hand)", file=sys.stderr)
        return 1
    print(f"{version} ({source})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
