#!/usr/bin/env python3
"""Packs the tree of a payload archive as an NSIS installer, the peer the
extraction benchmark measures the installer against.

  make_nsis_peer.py ZIP OUTPUT TARGET

TARGET is makensis's stub (x86-unicode or amd64-unicode), chosen to match the
benchmark's own build.  The installer uses zlib, shows only its progress
page, closes itself when done and installs into the folder given by /D=.
"""
import pathlib
import subprocess
import sys
import tempfile
import zipfile

SCRIPT = """Unicode true
Target {target}
SetCompressor zlib
Name "Orvicap"
OutFile "{output}"
InstallDir "$TEMP\\nsis-peer"
RequestExecutionLevel user
AutoCloseWindow true
ShowInstDetails nevershow
Page instfiles
Section
  SetOutPath "$INSTDIR"
  File /r "{tree}/*"
SectionEnd
"""


def top_folder(archive):
    """The one folder the payload's entries sit below."""
    return archive.namelist()[0].split("/", 1)[0]


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    zip_path, output, target = pathlib.Path(argv[0]), pathlib.Path(argv[1]).resolve(), argv[2]
    with tempfile.TemporaryDirectory() as work:
        work = pathlib.Path(work)
        with zipfile.ZipFile(zip_path) as archive:
            archive.extractall(work / "tree")
            tree = work / "tree" / top_folder(archive)
        script = work / "peer.nsi"
        script.write_text(SCRIPT.format(target=target, output=output, tree=tree), encoding="utf-8")
        result = subprocess.run(["makensis", "-V2", "-INPUTCHARSET", "UTF8", str(script)],
                                capture_output=True, text=True, timeout=600)
    if result.returncode != 0:
        print(f"make_nsis_peer: makensis failed:\n{result.stdout}{result.stderr}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
