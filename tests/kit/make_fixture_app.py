#!/usr/bin/env python3
"""Makes an application folder holding names that Windows allows but that
trip up build systems and shells, for packing whole.

  make_fixture_app.py FILES_DIR MAIN_PROGRAM OUTPUT_DIR

OUTPUT_DIR gets FILES_DIR's tree, MAIN_PROGRAM as bin/64bit/Orvicap.exe, and
files named with ';', spaces, brackets, shell and CMake characters, Chinese and
characters outside the basic plane, an empty file, an empty folder and a file
that does not compress.
"""
import hashlib
import pathlib
import shutil
import sys

AWKWARD_FILES = {
    "data/a;b.txt": "a name with a semicolon\n",
    "data/semi;colon;folder/inner file.txt": "a folder with semicolons\n",
    "data/名字 [1] $#&%'().txt": "Chinese, brackets and shell characters\n",
    "data/😀 outside the basic plane 𝄞.txt": "characters beyond U+FFFF\n",
    "data/~tilde@at!+=,{braces}.txt": "more punctuation\n",
    "data/${not a variable}.txt": "a CMake variable reference that is a name\n",
    "data/zero length.bin": "",
}
EMPTY_FOLDER = "data/empty folder"
INCOMPRESSIBLE_FILE = "data/incompressible.bin"
INCOMPRESSIBLE_BYTES = 3 * 1024 * 1024


def incompressible_bytes(size):
    blocks = []
    block = b"orvicap"
    while len(blocks) * 32 < size:
        block = hashlib.sha256(block).digest()
        blocks.append(block)
    return b"".join(blocks)[:size]


def main(argv):
    files_dir, main_program, output = pathlib.Path(argv[0]), pathlib.Path(argv[1]), pathlib.Path(argv[2])
    shutil.rmtree(output, ignore_errors=True)
    shutil.copytree(files_dir, output)
    (output / "bin" / "64bit").mkdir(parents=True, exist_ok=True)
    shutil.copyfile(main_program, output / "bin" / "64bit" / "Orvicap.exe")
    for name, text in AWKWARD_FILES.items():
        path = output / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(text.encode("utf-8"))
    (output / EMPTY_FOLDER).mkdir(parents=True, exist_ok=True)
    (output / INCOMPRESSIBLE_FILE).write_bytes(incompressible_bytes(INCOMPRESSIBLE_BYTES))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
