"""Reads what the kit's checks need from a Windows program: its header flags,
its section names and its RT_RCDATA resources."""
import struct

IMAGE_FILE_LARGE_ADDRESS_AWARE = 0x0020
IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA = 0x0020
IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE = 0x0040
IMAGE_DLLCHARACTERISTICS_NX_COMPAT = 0x0100
RT_RCDATA = 10
RESOURCE_DIRECTORY_ENTRY = 2


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as program:
            self.data = program.read()
        data = self.data
        if data[:2] != b"MZ":
            raise ValueError(f"{path} is not a Windows program")
        header = struct.unpack_from("<I", data, 0x3C)[0]
        if data[header:header + 4] != b"PE\0\0":
            raise ValueError(f"{path} has no PE header")
        (self.machine, section_count, self.timestamp, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, header + 4)
        optional = header + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.is_64_bit = magic == 0x20B
        self.dll_characteristics = struct.unpack_from("<H", data, optional + 70)[0]
        directories = optional + (112 if self.is_64_bit else 96)
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for index in range(section_count):
            entry = table + index * 40
            name = data[entry:entry + 8].rstrip(b"\0").decode("ascii", "replace")
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, entry + 8)
            self.sections.append((name, rva, max(virtual_size, raw_size), raw_offset))

    def offset_of(self, rva):
        for _, start, size, raw_offset in self.sections:
            if start <= rva < start + size:
                return raw_offset + rva - start
        raise ValueError(f"address {rva:#x} lies in no section")

    def _directory_entries(self, directory):
        named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
        for index in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + index * 8)
            yield name, target

    def _subdirectory(self, root, target):
        if not target & 0x80000000:
            raise ValueError("resource tree shorter than type, name, language")
        return root + (target & 0x7FFFFFFF)

    def rcdata(self, resource_id):
        """The bytes of RT_RCDATA resource resource_id (its first language)."""
        root = self.offset_of(self.resource_rva)
        for type_id, type_target in self._directory_entries(root):
            if type_id != RT_RCDATA:
                continue
            names = self._subdirectory(root, type_target)
            for name_id, name_target in self._directory_entries(names):
                if name_id != resource_id:
                    continue
                languages = self._subdirectory(root, name_target)
                _, data_entry = next(self._directory_entries(languages))
                rva, size = struct.unpack_from("<II", self.data, root + data_entry)
                start = self.offset_of(rva)
                return self.data[start:start + size]
        raise KeyError(f"no RT_RCDATA resource {resource_id}")
