#!/usr/bin/env python3
"""Writes the tiny Windows DLL images of the plug-in export reader's seed corpus.

Each image holds a DOS header, the PE headers (PE32 or PE32+), and one or two sections; the export
directory lies in the last section. Run from the repository root: fuzz/make-pe-seeds.py
"""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "fuzz_plugin")
FILE_ALIGN, SECTION_ALIGN = 0x200, 0x1000


def align(n, a):
    return (n + a - 1) // a * a


def export_data(rva, names, dll_name=b"plugin.tvi"):
    """The export directory, its three tables and its strings, placed at `rva`."""
    names = sorted(names)
    n = len(names)
    functions = rva + 40
    name_table = functions + 4 * n
    ordinals = name_table + 4 * n
    strings = ordinals + 2 * n
    blob = bytearray()
    name_rvas = []
    dll_rva = strings
    blob += dll_name + b"\0"
    for name in names:
        name_rvas.append(strings + len(blob))
        blob += name + b"\0"
    out = struct.pack("<IIHHIIIIIII", 0, 0, 0, 0, dll_rva, 1, n, n, functions, name_table, ordinals)
    out += b"".join(struct.pack("<I", 0x1000 + 16 * i) for i in range(n))
    out += b"".join(struct.pack("<I", r) for r in name_rvas)
    out += b"".join(struct.pack("<H", i) for i in range(n))
    return out + blob


def image(pe32plus, names, code_section=False):
    sections = []  # (name, rva, data)
    rva = SECTION_ALIGN
    if code_section:
        sections.append((b".text", rva, b"\xc3" * 16))
        rva += SECTION_ALIGN
    exports = export_data(rva, names) if names is not None else b""
    if names is not None:
        sections.append((b".edata", rva, exports))

    optional_size = 240 if pe32plus else 224
    headers_end = 0x40 + 4 + 20 + optional_size + 40 * len(sections)
    raw = align(headers_end, FILE_ALIGN)
    size_of_image = rva + SECTION_ALIGN

    dos = bytearray(0x40)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, 0x40)
    machine = 0x8664 if pe32plus else 0x14C
    characteristics = 0x2022 if pe32plus else 0x2102
    coff = struct.pack("<HHIIIHH", machine, len(sections), 0, 0, 0, optional_size, characteristics)

    directories = bytearray(16 * 8)
    if names is not None:
        struct.pack_into("<II", directories, 0, sections[-1][1], len(exports))
    if pe32plus:
        opt = struct.pack("<HBBIIIIIQIIHHHHHHIIIIHHQQQQII", 0x20B, 14, 0, 0, 0, 0, 0, 0x1000,
                          0x180000000, SECTION_ALIGN, FILE_ALIGN, 6, 0, 0, 0, 6, 0, 0,
                          size_of_image, raw, 0, 2, 0x160, 0x100000, 0x1000, 0x100000, 0x1000,
                          0, 16)
    else:
        opt = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 14, 0, 0, 0, 0, 0, 0x1000, 0,
                          0x10000000, SECTION_ALIGN, FILE_ALIGN, 6, 0, 0, 0, 6, 0, 0,
                          size_of_image, raw, 0, 2, 0x140, 0x100000, 0x1000, 0x100000, 0x1000,
                          0, 16)
    opt += bytes(directories)
    assert len(opt) == optional_size

    table = b""
    body = b""
    for name, section_rva, data in sections:
        size = align(len(data), FILE_ALIGN)
        table += struct.pack("<8sIIIIIIHHI", name, len(data), section_rva, size, raw + len(body),
                             0, 0, 0, 0, 0x40000040)
        body += data + bytes(size - len(data))
    head = bytes(dos) + b"PE\0\0" + coff + opt + table
    return head + bytes(raw - len(head)) + body


SEEDS = {
    "renderer-pe32.dll": image(False, [b"ZN_GPUinit", b"ZN_GPUdisplayFlip", b"ZN_GPUshutdown"]),
    "controller-pe32plus.dll": image(True, [b"ZN_JammaOpen", b"ZN_GPUinit"], code_section=True),
    "sound-pe32.dll": image(False, [b"ZN_SPUopen", b"ZN_SPUclose"], code_section=True),
    "other-pe32plus.dll": image(True, [b"DllMain", b"zn_gpuinit"]),
    "noexports-pe32.dll": image(False, None, code_section=True),
}

if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    for file_name, data in SEEDS.items():
        with open(os.path.join(OUT, file_name), "wb") as f:
            f.write(data)
