"""Reads what the kit's tools and checks need from a Windows program: its
header flags, its section names, its RT_RCDATA resources and its version
block."""
import struct

IMAGE_FILE_LARGE_ADDRESS_AWARE = 0x0020
IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA = 0x0020
IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE = 0x0040
IMAGE_DLLCHARACTERISTICS_NX_COMPAT = 0x0100
RT_RCDATA = 10
RT_VERSION = 16
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

    def resource(self, type_id, resource_id=None):
        """The bytes of a resource of that type (its first language): the one
        numbered resource_id, or the first one when resource_id is None."""
        if not self.resource_rva:
            raise KeyError(f"no resources (looking for type {type_id})")
        root = self.offset_of(self.resource_rva)
        for found_type, type_target in self._directory_entries(root):
            if found_type != type_id:
                continue
            names = self._subdirectory(root, type_target)
            for name_id, name_target in self._directory_entries(names):
                if resource_id is not None and name_id != resource_id:
                    continue
                languages = self._subdirectory(root, name_target)
                _, data_entry = next(self._directory_entries(languages))
                rva, size = struct.unpack_from("<II", self.data, root + data_entry)
                start = self.offset_of(rva)
                return self.data[start:start + size]
        raise KeyError(f"no resource {resource_id} of type {type_id}")

    def rcdata(self, resource_id):
        """The bytes of RT_RCDATA resource resource_id (its first language)."""
        return self.resource(RT_RCDATA, resource_id)

    def version_block(self):
        """The version block as a VersionBlock, or None when there is none."""
        try:
            return VersionBlock(self.resource(RT_VERSION))
        except KeyError:
            return None


class VersionBlock:
    """A VS_VERSIONINFO resource: the fixed versions (four numbers each), the
    translations ((language, code page) pairs) and the string tables (their
    key, such as "080404b0", to a dict of name to text)."""

    def __init__(self, data):
        self.fixed_file_version = self.fixed_product_version = None
        self.fixed_rest = b""
        self.translations = []
        self.string_tables = {}
        key, value, children = _version_node(data, 0)[:3]
        if key != "VS_VERSION_INFO":
            raise ValueError(f"a version block keyed {key!r}")
        if len(value) >= 52:
            # VS_FIXEDFILEINFO: signature, struct version, then the file and
            # product versions as most and least significant double words.
            file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", value, 8)
            self.fixed_file_version = (file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF)
            self.fixed_product_version = (product_ms >> 16, product_ms & 0xFFFF, product_ls >> 16, product_ls & 0xFFFF)
            self.fixed_rest = value[:8] + value[24:52]
        for child_key, child_value, grandchildren, _ in children:
            if child_key == "StringFileInfo":
                for table_key, _, strings, _ in grandchildren:
                    self.string_tables[table_key.lower()] = {name: text.decode("utf-16-le").split("\0", 1)[0]
                                                             for name, text, _, _ in strings}
            elif child_key == "VarFileInfo":
                for var_key, var_value, _, _ in grandchildren:
                    if var_key == "Translation":
                        self.translations += list(struct.iter_unpack("<HH", var_value[:len(var_value) // 4 * 4]))

    def strings(self):
        """The string table Windows shows: the first translation's, else the first one."""
        if self.translations:
            language, code_page = self.translations[0]
            table = self.string_tables.get(f"{language:04x}{code_page:04x}")
            if table is not None:
                return table
        return next(iter(self.string_tables.values()), {})


def _aligned(offset):
    return (offset + 3) & ~3


def _version_node(data, offset):
    """One node of a version block at offset: its key, its value's bytes, its
    children (each such a node) and the offset just past it."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    if length < 6 or end > len(data):
        raise ValueError("a version block node runs past its resource")
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    value_start = _aligned(key_end + 2)
    # A text value's length counts characters, a binary one's bytes.
    value_size = value_length * 2 if value_type == 1 else value_length
    value = data[value_start:min(value_start + value_size, end)]
    child = _aligned(value_start + value_size)
    children = []
    while child < end:
        node = _version_node(data, child)
        children.append(node)
        child = _aligned(node[3])
    return key, value, children, end
