#!/usr/bin/env python3
"""Assembles the application folder the installer packs.

  assemble_app.py --source DIR --output DIR --stamp FILE PROGRAM...

Copies the source folder to the output folder and puts the given programs
into its bin/64bit.  The stamp records what the copy was made from (every
path, size and modification time, and the programs'); while that stays the
same nothing is copied and the stamp keeps its time, so the payload is packed
again only when an input changed.  The listing is made here rather than by the
build system, whose lists split file names at ';'.
"""
import argparse
import hashlib
import os
import pathlib
import shutil
import sys


def describe(path, relative, digest):
    status = os.lstat(path)
    digest.update(f"{relative}\0{status.st_mode}\0{status.st_size}\0{status.st_mtime_ns}\0".encode(
        "utf-8", "surrogateescape"))


def inputs_digest(source, programs):
    digest = hashlib.sha256()
    for folder, folders, files in os.walk(source):
        folders.sort()
        for name in sorted(folders + files):
            path = os.path.join(folder, name)
            describe(path, os.path.relpath(path, source), digest)
    for program in programs:
        describe(program, os.path.abspath(program), digest)
    return digest.hexdigest()


def assemble(source, output, programs):
    shutil.rmtree(output, ignore_errors=True)
    # Links stay links, so that the packer sees and refuses them.
    shutil.copytree(source, output, symlinks=True)
    target = output / "bin" / "64bit"
    target.mkdir(parents=True, exist_ok=True)
    for program in programs:
        shutil.copyfile(program, target / pathlib.Path(program).name)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--source", required=True, type=pathlib.Path)
    parser.add_argument("--output", required=True, type=pathlib.Path)
    parser.add_argument("--stamp", required=True, type=pathlib.Path)
    parser.add_argument("programs", nargs="*")
    args = parser.parse_args(argv)
    if not args.source.is_dir():
        parser.error(f"the application folder {args.source} is not a folder")
    digest = inputs_digest(args.source, args.programs)
    if args.output.is_dir() and args.stamp.is_file() and args.stamp.read_text() == digest:
        return 0
    print(f"assemble_app: copying the application folder {args.source}")
    assemble(args.source, args.output, args.programs)
    args.stamp.write_text(digest)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
