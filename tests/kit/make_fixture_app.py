#!/usr/bin/env python3
"""Makes an application folder holding names that Windows allows but that
trip up build systems and shells, for packing whole.

  make_fixture_app.py FILES_DIR MAIN_PROGRAM OUTPUT_DIR [--product-version TEXT]

OUTPUT_DIR gets FILES_DIR's tree, MAIN_PROGRAM as bin/64bit/Orvicap.exe, and
files named with ';', spaces, brackets, shell and CMake characters, Chinese and
characters outside the basic plane, an empty file, an empty folder and a file
that does not compress.  --product-version gives the main program's copy
another ProductVersion string (of the same length as its own; its
FileVersion string and fixed versions stay as they are).
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


def with_product_version(program, version):
    """The program's bytes with the value of its ProductVersion string replaced."""
    key = "ProductVersion\0".encode("utf-16-le")
    start = program.index(key) + len(key)
    start += (-start) % 4                       # values begin on a 32-bit boundary
    end = program.index(b"\0\0", start)
    end += (end - start) % 2                    # the terminator of UTF-16 text
    old = program[start:end].decode("utf-16-le")
    if len(old) != len(version):
        raise SystemExit(f"make_fixture_app: the ProductVersion {old!r} and {version!r} differ in length")
    return program[:start] + version.encode("utf-16-le") + program[end:]


def main(argv):
    product_version = None
    if "--product-version" in argv:
        at = argv.index("--product-version")
        product_version = argv[at + 1]
        argv = argv[:at] + argv[at + 2:]
    files_dir, main_program, output = pathlib.Path(argv[0]), pathlib.Path(argv[1]), pathlib.Path(argv[2])
    shutil.rmtree(output, ignore_errors=True)
    shutil.copytree(files_dir, output)
    (output / "bin" / "64bit").mkdir(parents=True, exist_ok=True)
    program = main_program.read_bytes()
    if product_version is not None:
        program = with_product_version(program, product_version)
    (output / "bin" / "64bit" / "Orvicap.exe").write_bytes(program)
    for name, text in AWKWARD_FILES.items():
        path = output / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(text.encode("utf-8"))
    (output / EMPTY_FOLDER).mkdir(parents=True, exist_ok=True)
    (output / INCOMPRESSIBLE_FILE).write_bytes(incompressible_bytes(INCOMPRESSIBLE_BYTES))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
