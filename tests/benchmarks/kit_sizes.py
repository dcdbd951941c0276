#!/usr/bin/env python3
"""Prints the size of each shipped program and of the installer without its
payload (everything but resource 101), the part that does not grow with the
application.

  kit_sizes.py KIT_DIR
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
import pe_file  # noqa: E402

PAYLOAD_ID = 101


def main(argv):
    kit = pathlib.Path(argv[0])
    for name in ("VLInstaller.exe", "uninstall.exe", "VLUpdater.exe"):
        print(f"kit size: {name:<16} {(kit / name).stat().st_size:>12,} bytes")
    installer = kit / "VLInstaller.exe"
    payload = len(pe_file.PeFile(installer).rcdata(PAYLOAD_ID))
    print(f"kit size: {'installer stub':<16} {installer.stat().st_size - payload:>12,} bytes "
          f"(without its {payload:,}-byte payload)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
