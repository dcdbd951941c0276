#!/usr/bin/env python3
"""Fails unless a kit went out signed through and through.

  check_signed_kit.py KIT_DIR CA_CERT

Checks with osslsigncode that VLInstaller.exe, uninstall.exe and VLUpdater.exe
carry valid signatures chaining to CA_CERT; that the installer's resource 102
is the shipped uninstall.exe byte for byte, signature included; and that the
VLUpdater.exe inside its payload (resource 101) is the shipped, signed one.
"""
import io
import pathlib
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
import pe_file  # noqa: E402

PAYLOAD_ID = 101
UNINSTALLER_ID = 102
PAYLOAD_UPDATER = "Orvicap/bin/64bit/VLUpdater.exe"


def signature_problem(path, ca_cert):
    result = subprocess.run(["osslsigncode", "verify", "-CAfile", str(ca_cert), "-in", str(path)],
                            capture_output=True, text=True)
    if result.returncode != 0:
        return f"signature not verified: {result.stdout.strip().splitlines()[-1:]}{result.stderr.strip()}"
    return None


def embedded_problems(kit, ca_cert):
    installer = pe_file.PeFile(kit / "VLInstaller.exe")
    embedded = {
        "resource 102 (the uninstaller)": (installer.rcdata(UNINSTALLER_ID), kit / "uninstall.exe"),
        f"{PAYLOAD_UPDATER} in resource 101": (
            zipfile.ZipFile(io.BytesIO(installer.rcdata(PAYLOAD_ID))).read(PAYLOAD_UPDATER), kit / "VLUpdater.exe"),
    }
    problems = []
    with tempfile.TemporaryDirectory() as scratch:
        for what, (data, shipped) in embedded.items():
            if data != shipped.read_bytes():
                problems.append(f"{what} is not the shipped {shipped.name}")
            copy = pathlib.Path(scratch) / shipped.name
            copy.write_bytes(data)
            problem = signature_problem(copy, ca_cert)
            if problem:
                problems.append(f"{what}: {problem}")
    return problems


def main(argv):
    kit, ca_cert = pathlib.Path(argv[0]), pathlib.Path(argv[1])
    problems = []
    for name in ("VLInstaller.exe", "uninstall.exe", "VLUpdater.exe"):
        problem = signature_problem(kit / name, ca_cert)
        if problem:
            problems.append(f"{name}: {problem}")
    problems += embedded_problems(kit, ca_cert)
    for problem in problems:
        print(f"FAIL {problem}")
    if not problems:
        print(f"ok   {kit}: the three programs, the embedded uninstaller and the payload's updater are signed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
