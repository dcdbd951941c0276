#!/usr/bin/env python3
"""The hardening check must reject a program built without the flags.

  test_check_hardening.py PROGRAM...

Each program given (the shipped ones) passes as it is.  A copy of it with
ASLR and DEP off, the address-space flag of its architecture off, a link time
stamp and a section named as debug information must fail on each of those
and on nothing else.
"""
import pathlib
import struct
import sys
import tempfile
import unittest

import check_hardening
import pe_file

TIME_STAMP = 0x5F000000


def without_the_flags(data):
    """The program's bytes as a build without the hardening flags leaves them."""
    data = bytearray(data)
    header = struct.unpack_from("<I", data, 0x3C)[0]
    optional = header + 24
    optional_size = struct.unpack_from("<H", data, header + 20)[0]
    struct.pack_into("<I", data, header + 8, TIME_STAMP)
    characteristics = struct.unpack_from("<H", data, header + 22)[0]
    struct.pack_into("<H", data, header + 22, characteristics & ~pe_file.IMAGE_FILE_LARGE_ADDRESS_AWARE)
    dll_characteristics = struct.unpack_from("<H", data, optional + 70)[0]
    cleared = (pe_file.IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | pe_file.IMAGE_DLLCHARACTERISTICS_NX_COMPAT |
               pe_file.IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA)
    struct.pack_into("<H", data, optional + 70, dll_characteristics & ~cleared)
    # The first section's name is all the check reads of it.
    data[optional + optional_size:optional + optional_size + 8] = b".debug\0\0"
    return bytes(data)


class HardeningCheckTest(unittest.TestCase):
    programs = []

    def test_shipped_programs_pass_and_copies_without_the_flags_fail_on_each(self):
        self.assertTrue(self.programs, "no program given")
        with tempfile.TemporaryDirectory() as folder:
            for path in self.programs:
                with self.subTest(program=path):
                    program = pe_file.PeFile(path)
                    self.assertEqual(check_hardening.problems_of(program), [])
                    copy = pathlib.Path(folder) / pathlib.Path(path).name
                    copy.write_bytes(without_the_flags(program.data))
                    address_space = ("high-entropy ASLR is off" if program.is_64_bit
                                     else "not large-address-aware")
                    self.assertEqual(check_hardening.problems_of(pe_file.PeFile(copy)), [
                        "ASLR is off (no dynamic base)",
                        "DEP is off (not NX compatible)",
                        address_space,
                        "carries debug sections .debug",
                        f"carries the link time stamp {TIME_STAMP}",
                    ])
                    self.assertEqual(check_hardening.main([str(copy)]), 1)


if __name__ == "__main__":
    HardeningCheckTest.programs = sys.argv[1:]
    unittest.main(argv=sys.argv[:1])
