#!/usr/bin/env python3
"""Packs an application folder into the installer's payload archive.

  pack_payload.py --app-dir DIR --output FILE [--top-folder NAME]
  pack_payload.py --app-dir DIR --check [--updater-supplied]

--check only looks at the folder and writes nothing; --updater-supplied
leaves out the updater, which the kit's build puts beside the main program.

The archive holds one top folder (default "Orvicap") and below it the
application folder's tree: every name UTF-8 with general-purpose bit 11 set,
"/" separators, each directory entry (stored, attributes 0x10) before what it
contains, files deflated (attributes 0x20).  Timestamps, order and the
creating system are fixed, so one folder always gives the same bytes.

A folder that would fail on a user's machine is refused (exit code 1, one
line per offending file on stderr) and no archive is written: the main
program or the updater missing, a path too long for MAX_PATH below the
default install directory, a name Windows refuses, or two names in one
folder that differ only in letter case.

"""
import argparse
import os
import pathlib
import re
import shutil
import sys
import zipfile

REQUIRED_FILES = ("bin/64bit/Orvicap.exe", "bin/64bit/VLUpdater.exe")
DEFAULT_INSTALL_DIR = "C:\\Program Files (x86)\\Orvicap"
MAX_PATH = 260

# COM0 and LPT0 are refused by current Windows as the other port numbers are;
# CONIN$ and CONOUT$ open the console wherever they stand.
RESERVED_DEVICE_NAMES = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"} | {
    f"{port}{digit}" for port in ("COM", "LPT") for digit in "0123456789\u00b9\u00b2\u00b3"}
FORBIDDEN_CHARACTERS = re.compile(r'[<>:"|?*\\\x00-\x1f]')

UTF8_NAME_FLAG = 0x0800
ATTRIBUTE_DIRECTORY, ATTRIBUTE_ARCHIVE = 0x10, 0x20
CREATED_ON_MSDOS = 0       # the external attributes are DOS attributes
FIXED_TIMESTAMP = (1980, 1, 1, 0, 0, 0)
LIMIT_ENTRIES = 0xFFFF
CHUNK = 1 << 20


class Entry:
    """One archive entry: its path below the application folder ("" for the top folder)."""

    def __init__(self, relative, source, is_directory):
        self.relative = relative
        self.source = source
        self.is_directory = is_directory


def utf16_length(text):
    return len(text.encode("utf-16-le", "surrogatepass")) // 2


def windows_upper(name):
    """Letter case the way NTFS compares names: one character at a time, never expanding."""
    return "".join(c.upper() if len(c.upper()) == 1 else c for c in name)


def name_problem(name):
    """Why Windows refuses this file or folder name; None when it takes it."""
    try:
        name.encode("utf-8")
    except UnicodeEncodeError:
        return "the name is not valid UTF-8"
    bad = FORBIDDEN_CHARACTERS.search(name)
    if bad:
        return f"the name holds the character {bad.group()!r}, which Windows does not allow: rename it"
    if name.endswith((".", " ")):
        return "the name ends with a dot or a space, which Windows strips: rename it"
    if name.split(".", 1)[0].rstrip(" ").upper() in RESERVED_DEVICE_NAMES:
        return "the name is a device name Windows reserves (with any extension): rename it"
    return None


def path_problem(relative):
    installed = DEFAULT_INSTALL_DIR + "\\" + relative.replace("/", "\\")
    if utf16_length(installed) >= MAX_PATH:
        return (f"installed as {installed} it is {utf16_length(installed)} characters long; "
                f"Windows allows {MAX_PATH - 1}: shorten its name or the folders above it")
    return None


def collect(app_dir, relative, entries, problems):
    """Appends the entries below one folder, in archive order, and every problem found."""
    folder = app_dir / relative if relative else app_dir
    with os.scandir(folder) as listing:
        children = sorted(listing, key=lambda child: child.name)
    seen = {}
    for child in children:
        child_relative = f"{relative}/{child.name}" if relative else child.name
        problem = name_problem(child.name) or path_problem(child_relative)
        if problem:
            problems.append((child_relative, problem))
        twin = seen.setdefault(windows_upper(child.name), child_relative)
        if twin != child_relative:
            problems.append((child_relative, f"differs from {twin} only in letter case, and Windows "
                             "would make the two one: rename or remove one of them"))
        if child.is_dir(follow_symlinks=False):
            entries.append(Entry(child_relative, pathlib.Path(child.path), True))
            collect(app_dir, child_relative, entries, problems)
        elif child.is_file():
            entries.append(Entry(child_relative, pathlib.Path(child.path), False))
        else:
            problems.append((child_relative, "neither a regular file nor a folder (a link, a device or a "
                             "pipe): replace it with the file or folder itself"))


def case_slip_of(app_dir, relative):
    """The path that names the required file in another letter case, or None."""
    folder = app_dir
    found = []
    for part in relative.split("/"):
        if not folder.is_dir():
            return None
        match = next((child for child in sorted(os.listdir(folder)) if windows_upper(child) == windows_upper(part)),
                     None)
        if match is None:
            return None
        found.append(match)
        folder = folder / match
    spelled = "/".join(found)
    return spelled if spelled != relative and folder.is_file() else None


def required_file_problems(app_dir, required):
    problems = []
    for name in required:
        if (app_dir / name).is_file() and case_slip_of(app_dir, name) is None:
            continue
        slip = case_slip_of(app_dir, name)
        if slip:
            problems.append((name, f"missing: the folder has {slip}, which differs only in letter case; "
                                   f"rename it to {name} exactly"))
        else:
            problems.append((name, f"missing: every installation needs it; put it at {name}"))
    return problems


def supplied_file_problems(app_dir, supplied):
    """A file the build puts into the folder must not be there in another
    letter case: the copy would sit beside it, and the two would become one
    on Windows."""
    problems = []
    for name in supplied:
        slip = case_slip_of(app_dir, name)
        if slip:
            problems.append((slip, f"differs only in letter case from {name}, which the kit's build puts "
                                   f"there: remove it (the kit supplies its own)"))
    return problems


class PayloadEntryInfo(zipfile.ZipInfo):
    """An entry whose name is always marked as UTF-8.

    zipfile sets general-purpose bit 11 only on names that are not ASCII;
    the installer reads every name as UTF-8 and expects the mark on all of
    them, local header and central directory alike.
    """

    def __init__(self, name, attributes, size):
        super().__init__(name, date_time=FIXED_TIMESTAMP)
        self.create_system = CREATED_ON_MSDOS
        self.external_attr = attributes
        self.file_size = size
        self.compress_size = 0   # zipfile fills in both once it has written the data
        self.CRC = 0

    def _encodeFilenameFlags(self):
        return self.filename.encode("utf-8"), self.flag_bits | UTF8_NAME_FLAG


def write_entry(archive, entry, name):
    if entry.is_directory:
        archive.mkdir(PayloadEntryInfo(name + "/", ATTRIBUTE_DIRECTORY, 0))
        return
    info = PayloadEntryInfo(name, ATTRIBUTE_ARCHIVE, entry.source.stat().st_size)
    info.compress_type = zipfile.ZIP_DEFLATED
    with open(entry.source, "rb") as data, archive.open(info, "w") as out:
        shutil.copyfileobj(data, out, CHUNK)


def write_archive(entries, top_folder, out):
    with zipfile.ZipFile(out, "w", allowZip64=False, compresslevel=9) as archive:
        for entry in entries:
            name = f"{top_folder}/{entry.relative}" if entry.relative else top_folder
            write_entry(archive, entry, name)


def folder_problems(app_dir, top_folder, required=REQUIRED_FILES):
    """The entries to pack, in archive order, and every problem that refuses the folder."""
    problems = []
    top_problem = name_problem(top_folder) if top_folder else "the top folder needs a name"
    if top_problem or "/" in top_folder:
        problems.append((f"--top-folder {top_folder}", top_problem or "the top folder name holds a '/'"))
    problems += required_file_problems(app_dir, required)
    entries = [Entry("", app_dir, True)]
    collect(app_dir, "", entries, problems)
    if len(entries) > LIMIT_ENTRIES:
        problems.append((str(app_dir), f"{len(entries)} entries; an archive without ZIP64 holds {LIMIT_ENTRIES}"))
    return entries, problems


def pack(app_dir, output, top_folder):
    """Writes the archive; returns the problems that refused it instead (empty when written)."""
    entries, problems = folder_problems(app_dir, top_folder)
    if problems:
        return problems
    output.parent.mkdir(parents=True, exist_ok=True)
    partial = output.with_name(output.name + ".partial")
    try:
        with open(partial, "wb") as out:
            write_archive(entries, top_folder, out)
        os.replace(partial, output)
    except (zipfile.LargeZipFile, RuntimeError) as error:  # sizes beyond an archive without ZIP64
        return [(str(app_dir), str(error))]
    finally:
        partial.unlink(missing_ok=True)
    return []


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--app-dir", required=True, type=pathlib.Path)
    parser.add_argument("--output", type=pathlib.Path)
    parser.add_argument("--top-folder", default="Orvicap")
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--updater-supplied", action="store_true")
    args = parser.parse_args(argv)
    if not args.app_dir.is_dir():
        parser.error(f"--app-dir {args.app_dir} is not a folder")
    if args.check:
        supplied = [name for name in REQUIRED_FILES if args.updater_supplied and name.endswith("VLUpdater.exe")]
        required = [name for name in REQUIRED_FILES if name not in supplied]
        problems = folder_problems(args.app_dir, args.top_folder, required)[1]
        problems += supplied_file_problems(args.app_dir, supplied)
    elif args.output is None:
        parser.error("--output is needed unless --check is given")
    else:
        problems = pack(args.app_dir, args.output, args.top_folder)
    for path, problem in problems:
        # The engineer's own path, so that the line says which file to fix.
        shown = path if path.startswith("--") or os.path.isabs(path) else args.app_dir / path
        print(f"pack_payload: refused {shown}: {problem}", file=sys.stderr)
    if problems:
        print(f"pack_payload: {args.app_dir} cannot be packed ({len(problems)} problem{'s' if len(problems) != 1 else ''})", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
