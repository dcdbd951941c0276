#!/usr/bin/env python3
"""Tests of tools/pack_payload.py through its command line, reading the
archives back with zipfile and, for the local headers, byte by byte."""
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

PACKER = pathlib.Path(__file__).resolve().parents[2] / "tools" / "pack_payload.py"
INSTALL_PREFIX_LENGTH = len("C:\\Program Files (x86)\\Orvicap\\")
LONGEST_RELATIVE_PATH = 259 - INSTALL_PREFIX_LENGTH

# The smallest folder the packer accepts.
REQUIRED = {"bin/64bit/Orvicap.exe": b"MZ main", "bin/64bit/VLUpdater.exe": b"MZ updater"}

FIXTURE = {
    **REQUIRED,
    "说明.txt": "维洛录屏".encode("utf-8"),
    "resources/skins/default/theme.ini": b"[theme]\nname=default\n" * 50,
    "data/settings.ini": b"",
    "resources/empty/": None,
}


def build_folder(root, files):
    """Creates files ({relative path: bytes}, a path ending "/" a folder) below root."""
    for relative, content in files.items():
        path = root / relative
        if relative.endswith("/"):
            path.mkdir(parents=True, exist_ok=True)
            continue
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(content)
    return root


def run_packer(app_dir, output, *extra):
    return subprocess.run([sys.executable, str(PACKER), "--app-dir", str(app_dir), "--output", str(output), *extra],
                          capture_output=True, text=True, timeout=60)


def expected_names(files, top="Orvicap"):
    names = {top + "/"}
    for relative in files:
        parts = relative.rstrip("/").split("/")
        for depth in range(1, len(parts)):
            names.add(top + "/" + "/".join(parts[:depth]) + "/")
        names.add(top + "/" + relative)
    return names


class PackerTest(unittest.TestCase):
    def setUp(self):
        temp = tempfile.TemporaryDirectory()
        self.addCleanup(temp.cleanup)
        self.temp = pathlib.Path(temp.name)
        self.output = self.temp / "out" / "payload.zip"

    def pack(self, files, *extra, folder="app"):
        return run_packer(build_folder(self.temp / folder, files), self.output, *extra)


class ArchiveLayoutTest(PackerTest):
    def test_entries_are_utf8_named_ordered_and_typed(self):
        result = self.pack(FIXTURE)
        self.assertEqual(result.returncode, 0, result.stderr)
        archive_bytes = self.output.read_bytes()
        with zipfile.ZipFile(self.output) as archive:
            infos = archive.infolist()
            self.assertEqual({i.filename for i in infos}, expected_names(FIXTURE))
            self.assertEqual(infos[0].filename, "Orvicap/")
            seen = set()
            for info in infos:
                with self.subTest(info.filename):
                    self.assertFalse(info.filename.startswith("/"))
                    self.assertNotIn("\\", info.filename)
                    self.assertEqual(info.flag_bits, 0x800)
                    self.assertEqual(info.extra, b"")
                    parent = info.filename.rstrip("/").rpartition("/")[0] + "/"
                    if info.filename != "Orvicap/":
                        self.assertIn(parent, seen, "a directory entry must come before its contents")
                    seen.add(info.filename)
                    self.check_local_header(archive_bytes, info)
                    if info.is_dir():
                        self.assertEqual((info.compress_type, info.file_size, info.compress_size,
                                          info.external_attr), (zipfile.ZIP_STORED, 0, 0, 0x10))
                    else:
                        self.assertEqual((info.compress_type, info.external_attr), (zipfile.ZIP_DEFLATED, 0x20))
                        relative = info.filename.removeprefix("Orvicap/")
                        self.assertEqual(archive.read(info), FIXTURE[relative])
            self.assertIsNone(archive.testzip())
        big = archive.getinfo("Orvicap/resources/skins/default/theme.ini")
        self.assertLess(big.compress_size, big.file_size, "files must really be deflated")

    def check_local_header(self, archive_bytes, info):
        header = archive_bytes[info.header_offset:info.header_offset + 30]
        signature, _, flags, method, _, _, _, _, _, name_length, extra_length = struct.unpack("<IHHHHHIIIHH", header)
        self.assertEqual(signature, 0x04034B50)
        self.assertEqual((flags, method, extra_length), (0x800, info.compress_type, 0))
        name = archive_bytes[info.header_offset + 30:info.header_offset + 30 + name_length]
        self.assertEqual(name, info.filename.encode("utf-8"))

    def test_top_folder_can_be_renamed(self):
        result = self.pack(REQUIRED, "--top-folder", "维洛录屏")
        self.assertEqual(result.returncode, 0, result.stderr)
        with zipfile.ZipFile(self.output) as archive:
            self.assertEqual(archive.namelist()[0], "维洛录屏/")
            self.assertEqual(set(archive.namelist()), expected_names(REQUIRED, "维洛录屏"))

    def test_same_folder_gives_same_bytes_whatever_its_history(self):
        self.assertEqual(self.pack(FIXTURE, folder="first").returncode, 0)
        first = self.output.read_bytes()
        # Created in the opposite order, with other times and permissions.
        second = build_folder(self.temp / "second", dict(reversed(FIXTURE.items())))
        for path in second.rglob("*"):
            os.utime(path, (1_700_000_000, 1_700_000_000))
        (second / "说明.txt").chmod(0o600)
        self.assertEqual(run_packer(second, self.output).returncode, 0)
        self.assertEqual(self.output.read_bytes(), first)


class RefusalTest(PackerTest):
    def test_folders_that_would_fail_on_windows_are_refused_naming_the_file(self):
        at_limit = "a" * (LONGEST_RELATIVE_PATH - len("deep/"))
        cases = [
            # (what, files besides REQUIRED or replacing them, the offending path)
            ("no main program", {"bin/64bit/VLUpdater.exe": b"u"}, "bin/64bit/Orvicap.exe"),
            ("no updater beside it", {"bin/64bit/Orvicap.exe": b"m", "bin/VLUpdater.exe": b"u"},
             "bin/64bit/VLUpdater.exe"),
            ("path one past MAX_PATH", {**REQUIRED, "deep/" + at_limit + "b": b""}, "deep/" + at_limit + "b"),
            # U+1F534 takes two UTF-16 units, as Windows counts them.
            ("MAX_PATH in UTF-16 units", {**REQUIRED, "deep/" + at_limit[:-1] + "\U0001F534": b""},
             "deep/" + at_limit[:-1] + "\U0001F534"),
            ("device name", {**REQUIRED, "CON": b""}, "CON"),
            ("device name with extension", {**REQUIRED, "logs/nul.txt": b""}, "logs/nul.txt"),
            ("device name in other case", {**REQUIRED, "Com7.log.gz": b""}, "Com7.log.gz"),
            ("device name as folder", {**REQUIRED, "lpt1/x.txt": b""}, "lpt1"),
            ("port zero", {**REQUIRED, "COM0": b""}, "COM0"),
            ("port zero with extension", {**REQUIRED, "lpt0.log": b""}, "lpt0.log"),
            ("console input", {**REQUIRED, "CONIN$": b""}, "CONIN$"),
            ("console output with extension", {**REQUIRED, "conout$.txt": b""}, "conout$.txt"),
            ("trailing dot", {**REQUIRED, "readme.": b""}, "readme."),
            ("trailing space", {**REQUIRED, "docs /a.txt": b""}, "docs "),
            ("control character", {**REQUIRED, "a\x01b.txt": b""}, "a\x01b.txt"),
            ("names differing in case", {**REQUIRED, "Readme.TXT": b"", "README.txt": b""}, "Readme.TXT"),
            ("folders differing in case", {**REQUIRED, "Data/a": b"", "data/b": b""}, "data"),
        ] + [(f"character {c!r}", {**REQUIRED, f"a{c}b.txt": b""}, f"a{c}b.txt") for c in '<>:"|?*\\']
        for number, (what, files, offending) in enumerate(cases):
            with self.subTest(what):
                output = self.temp / f"case{number}.zip"
                folder = build_folder(self.temp / f"case{number}", files)
                result = run_packer(folder, output)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(f"refused {folder / offending}:", result.stderr)
                self.assertFalse(output.exists(), "a refused folder must not leave an archive")

    def test_names_windows_takes_are_accepted(self):
        at_limit = "a" * (LONGEST_RELATIVE_PATH - len("deep/"))
        near_misses = {**REQUIRED, "CONFIG.ini": b"", "nul_log.txt": b"", "COM10": b"", "lpt.txt": b"",
                       "auxiliary/x": b"", ".hidden": b"", "a b.c d": b"", "deep/" + at_limit: b"",
                       # Distinct on NTFS, which never expands a letter when comparing.
                       "ß.txt": b"", "SS.txt": b"",
                       "a;b.txt": b";", "$x#y&z%1'2 [3] (4).dat": b"", "维洛 \U0001F534.txt": b""}
        result = self.pack(near_misses)
        self.assertEqual(result.returncode, 0, result.stderr)
        with zipfile.ZipFile(self.output) as archive:
            self.assertEqual(set(archive.namelist()), expected_names(near_misses))

    def test_symbolic_link_to_a_folder_is_refused(self):
        app = build_folder(self.temp / "app", REQUIRED)
        (app / "linked").symlink_to(app / "bin", target_is_directory=True)
        result = run_packer(app, self.output)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn(f"refused {app / 'linked'}:", result.stderr)

    def test_invalid_top_folder_is_refused(self):
        for top in ["", "a:b", "a/b", "nul"]:
            with self.subTest(top):
                result = self.pack(REQUIRED, "--top-folder", top)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(f"refused --top-folder {top}:", result.stderr)
                self.assertFalse(self.output.exists())

    def test_main_program_in_another_letter_case_is_named_as_a_slip(self):
        result = self.pack({"bin/64bit/orvicap.exe": b"m", "bin/64bit/VLUpdater.exe": b"u"})
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("bin/64bit/orvicap.exe, which differs only in letter case; "
                      "rename it to bin/64bit/Orvicap.exe exactly", result.stderr)


class CheckTest(PackerTest):
    def check(self, files, *extra):
        app = build_folder(self.temp / "app", files)
        return app, subprocess.run([sys.executable, str(PACKER), "--app-dir", str(app), "--check", *extra],
                                   capture_output=True, text=True, timeout=60)

    def test_check_takes_the_updater_as_supplied_and_writes_nothing(self):
        app, result = self.check({"bin/64bit/Orvicap.exe": b"m", "a;b.txt": b""}, "--updater-supplied")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(sorted(p.name for p in self.temp.iterdir()), ["app"])

    def test_check_names_every_problem_by_the_engineers_path(self):
        app, result = self.check({"bin/64bit/Orvicap.exe": b"m", "COM0.txt": b"", "x/CONOUT$": b""},
                                 "--updater-supplied")
        self.assertEqual(result.returncode, 1)
        self.assertIn(f"refused {app / 'COM0.txt'}: the name is a device name", result.stderr)
        self.assertIn(f"refused {app / 'x/CONOUT$'}: the name is a device name", result.stderr)
        self.assertNotIn("VLUpdater", result.stderr)

    def test_check_refuses_the_supplied_updater_in_another_letter_case_by_the_engineers_path(self):
        for name in ["bin/64bit/vlupdater.exe", "bin/64bit/VLUPDATER.EXE"]:
            with self.subTest(name):
                app, result = self.check({"bin/64bit/Orvicap.exe": b"m", name: b"u"}, "--updater-supplied")
                self.assertEqual(result.returncode, 1)
                self.assertIn(f"refused {app / name}: differs only in letter case from bin/64bit/VLUpdater.exe",
                              result.stderr)
                (app / name).unlink()

    def test_check_takes_the_supplied_updater_spelled_exactly(self):
        app, result = self.check({"bin/64bit/Orvicap.exe": b"m", "bin/64bit/VLUpdater.exe": b"u"},
                                 "--updater-supplied")
        self.assertEqual(result.returncode, 0, result.stderr)


if __name__ == "__main__":
    unittest.main()
