#!/usr/bin/env python3
"""Decode the Win32 resources of a compiled resource file or executable.

Reads a .res file, a COFF object made by the resource compiler, or a PE image (.exe, .dll).
Prints the decoded string table, version information, dialog templates, icon groups and
manifests as JSON, or serves as a module for scripts that check them.
"""

import json
import struct
import sys

RT_ICON = 3
RT_DIALOG = 5
RT_STRING = 6
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24

DIALOG_CLASS_ORDINALS = {
    0x80: "Button",
    0x81: "Edit",
    0x82: "Static",
    0x83: "ListBox",
    0x84: "ScrollBar",
    0x85: "ComboBox",
}


class Resource:
    def __init__(self, type_, name, language, data):
        self.type = type_
        self.name = name
        self.language = language
        self.data = data


def align4(offset):
    return (offset + 3) & ~3


def read_zstring(data, offset):
    """A zero-terminated UTF-16 string; returns the text and the offset after the terminator."""
    end = offset
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[offset:end].decode("utf-16-le", "surrogatepass"), end + 2


def read_name_or_ordinal(data, offset):
    """An ordinal (int) when the field starts with 0xFFFF, else a zero-terminated string."""
    if struct.unpack_from("<H", data, offset)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, offset + 2)[0], offset + 4
    return read_zstring(data, offset)


def parse_res(data):
    resources = []
    offset = 0
    while offset + 8 <= len(data):
        data_size, header_size = struct.unpack_from("<II", data, offset)
        type_, pos = read_name_or_ordinal(data, offset + 8)
        name, pos = read_name_or_ordinal(data, pos)
        pos = align4(pos)
        _data_version, _flags, language = struct.unpack_from("<IHH", data, pos)
        body = data[offset + header_size : offset + header_size + data_size]
        if not (type_ == 0 and name == 0 and data_size == 0):
            resources.append(Resource(type_, name, language, body))
        offset = align4(offset + header_size + data_size)
    return resources


def read_resource_tree(section, base):
    """Resources of a PE resource directory; base is the address of the section's first byte
    that the data entries' addresses are relative to."""
    resources = []

    def directory(offset, path):
        named, numbered = struct.unpack_from("<HH", section, offset + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", section, offset + 16 + 8 * i)
            if name & 0x80000000:
                (length,) = struct.unpack_from("<H", section, name & 0x7FFFFFFF)
                start = (name & 0x7FFFFFFF) + 2
                key = section[start : start + 2 * length].decode("utf-16-le", "surrogatepass")
            else:
                key = name
            if target & 0x80000000:
                directory(target & 0x7FFFFFFF, path + [key])
            else:
                address, size = struct.unpack_from("<II", section, target)
                body = section[address - base : address - base + size]
                resources.append(Resource(path[0], path[1], key, body))

    directory(0, [])
    return resources


def parse_coff_object(data):
    sections, _, _, _, optional = struct.unpack_from("<HIIIH", data, 2)
    table = 20 + optional
    for i in range(sections):
        name, _, _, size, pointer = struct.unpack_from("<8sIIII", data, table + 40 * i)
        if name.rstrip(b"\0") == b".rsrc":
            # The data addresses are offsets into the section, relocated at link time.
            return read_resource_tree(data[pointer : pointer + size], 0)
    return []


def parse_pe_image(data):
    (header,) = struct.unpack_from("<I", data, 0x3C)
    if data[header : header + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    sections, _, _, _, optional = struct.unpack_from("<HIIIH", data, header + 6)
    optional_start = header + 24
    magic = struct.unpack_from("<H", data, optional_start)[0]
    directories = optional_start + (96 if magic == 0x10B else 112)
    rva, _size = struct.unpack_from("<II", data, directories + 8 * 2)
    table = optional_start + optional
    for i in range(sections):
        _, virtual_size, address, raw_size, pointer = struct.unpack_from(
            "<8sIIII", data, table + 40 * i
        )
        if address <= rva < address + max(virtual_size, raw_size):
            section = data[pointer : pointer + raw_size]
            return read_resource_tree(section[rva - address :], rva)
    return []


def load(path):
    """The resources of a .res file, a resource object or a PE image."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] == b"MZ":
        return parse_pe_image(data)
    if data[:8] == b"\0\0\0\0\x20\0\0\0":
        return parse_res(data)
    return parse_coff_object(data)


def decode_string_table(resources):
    """Identifier to text, over every RT_STRING block; empty entries are left out."""
    strings = {}
    for res in resources:
        if res.type != RT_STRING:
            continue
        offset = 0
        index = 0
        while offset + 2 <= len(res.data) and index < 16:
            (length,) = struct.unpack_from("<H", res.data, offset)
            text = res.data[offset + 2 : offset + 2 + 2 * length]
            if length:
                strings[(res.name - 1) * 16 + index] = text.decode("utf-16-le", "surrogatepass")
            offset += 2 + 2 * length
            index += 1
    return strings


def parse_version_node(data, offset):
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key, pos = read_zstring(data, offset + 6)
    pos = align4(pos)
    if value_type == 1:
        raw = data[pos : pos + 2 * value_length]
        value = raw.decode("utf-16-le", "surrogatepass").split("\0", 1)[0]
        pos += 2 * value_length
    else:
        value = data[pos : pos + value_length]
        pos += value_length
    children = []
    pos = align4(pos)
    while pos < end:
        child, pos = parse_version_node(data, pos)
        children.append(child)
        pos = align4(pos)
    return {"key": key, "type": value_type, "value": value, "children": children}, end


def decode_version(res):
    root, _ = parse_version_node(res.data, 0)
    fixed = root["value"]
    (signature, _struc, fv_ms, fv_ls, pv_ms, pv_ls, flags_mask, flags, os_, ftype, subtype) = (
        struct.unpack_from("<11I", fixed, 0)
    )

    def dotted(ms, ls):
        return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    result = {
        "key": root["key"],
        "signature": signature,
        "fileVersion": dotted(fv_ms, fv_ls),
        "productVersion": dotted(pv_ms, pv_ls),
        "fileFlagsMask": flags_mask,
        "fileFlags": flags,
        "fileOS": os_,
        "fileType": ftype,
        "fileSubtype": subtype,
        "stringTables": {},
        "translations": [],
    }
    for child in root["children"]:
        if child["key"] == "StringFileInfo":
            for table in child["children"]:
                result["stringTables"][table["key"]] = {
                    entry["key"]: entry["value"] for entry in table["children"]
                }
        elif child["key"] == "VarFileInfo":
            for var in child["children"]:
                if var["key"] == "Translation":
                    raw = var["value"]
                    result["translations"] += [
                        list(struct.unpack_from("<HH", raw, i)) for i in range(0, len(raw) - 3, 4)
                    ]
    return result


def decode_dialog(res):
    data = res.data
    version, signature = struct.unpack_from("<HH", data, 0)
    if (version, signature) != (1, 0xFFFF):
        raise ValueError("dialog %r is not an extended template" % (res.name,))
    help_id, ex_style, style, count, x, y, cx, cy = struct.unpack_from("<IIIHhhhh", data, 4)
    pos = 26
    menu, pos = read_name_or_ordinal(data, pos)
    window_class, pos = read_name_or_ordinal(data, pos)
    caption, pos = read_zstring(data, pos)
    dialog = {
        "helpId": help_id,
        "exStyle": ex_style,
        "style": style,
        "rect": [x, y, cx, cy],
        "menu": menu,
        "class": window_class,
        "caption": caption,
        "font": None,
        "controls": [],
    }
    if style & 0x40:  # DS_SETFONT
        point_size, weight, italic, charset = struct.unpack_from("<HHBB", data, pos)
        typeface, pos = read_zstring(data, pos + 6)
        dialog["font"] = {
            "pointSize": point_size,
            "weight": weight,
            "italic": italic,
            "charset": charset,
            "typeface": typeface,
        }
    for _ in range(count):
        pos = align4(pos)
        help_id, ex_style, style, x, y, cx, cy, id_ = struct.unpack_from("<IIIhhhhI", data, pos)
        control_class, pos = read_name_or_ordinal(data, pos + 24)
        text, pos = read_name_or_ordinal(data, pos)
        (extra,) = struct.unpack_from("<H", data, pos)
        pos += 2 + extra
        dialog["controls"].append(
            {
                "id": id_,
                "class": DIALOG_CLASS_ORDINALS.get(control_class, control_class),
                "classOrdinal": control_class if isinstance(control_class, int) else None,
                "text": text,
                "style": style,
                "exStyle": ex_style,
                "helpId": help_id,
                "rect": [x, y, cx, cy],
                "extraBytes": extra,
            }
        )
    return dialog


def describe_icon_image(data):
    """Size and colour depth stored in an icon image, PNG or BMP (DIB with AND mask)."""
    if data[:8] == b"\x89PNG\r\n\x1a\n":
        width, height, depth, colour_type = struct.unpack_from(">IIBB", data, 16)
        channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
        return {"format": "png", "width": width, "height": height, "bitCount": depth * channels}
    header_size, width, height, planes, bit_count = struct.unpack_from("<IiiHH", data, 0)
    return {
        "format": "bmp",
        "headerSize": header_size,
        "width": width,
        "height": height // 2,
        "planes": planes,
        "bitCount": bit_count,
    }


def decode_icon_group(res, images):
    _reserved, kind, count = struct.unpack_from("<HHH", res.data, 0)
    entries = []
    for i in range(count):
        width, height, colours, _r, planes, bit_count, size, id_ = struct.unpack_from(
            "<BBBBHHIH", res.data, 6 + 14 * i
        )
        image = images.get(id_)
        entries.append(
            {
                "id": id_,
                "width": width or 256,
                "height": height or 256,
                "colourCount": colours,
                "planes": planes,
                "bitCount": bit_count,
                "bytesInRes": size,
                "image": describe_icon_image(image) if image is not None else None,
                "imageBytes": len(image) if image is not None else None,
            }
        )
    return {"type": kind, "entries": entries}


def decode(resources):
    """Every resource kind this program carries, decoded; keys are resource names."""
    images = {r.name: r.data for r in resources if r.type == RT_ICON}
    result = {
        "strings": {},
        "versions": {},
        "dialogs": {},
        "iconGroups": {},
        "manifests": {},
        "languages": sorted({r.language for r in resources}),
    }
    result["strings"] = {str(k): v for k, v in sorted(decode_string_table(resources).items())}
    for res in resources:
        if res.type == RT_VERSION:
            result["versions"][str(res.name)] = decode_version(res)
        elif res.type == RT_DIALOG:
            result["dialogs"][str(res.name)] = decode_dialog(res)
        elif res.type == RT_GROUP_ICON:
            result["iconGroups"][str(res.name)] = decode_icon_group(res, images)
        elif res.type == RT_MANIFEST:
            result["manifests"][str(res.name)] = res.data.decode("utf-8")
    return result


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: dump_res.py FILE\n")
        return 2
    json.dump(decode(load(argv[1])), sys.stdout, indent=2, ensure_ascii=False)
    sys.stdout.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
