#!/usr/bin/env python3
"""Writes the seed corpus of the three harnesses into fuzz/corpus/.

The seeds are small valid inputs of every shape the readers accept (and a few
near misses), so the fuzzer starts inside each format instead of having to
find the "BM" signature or a comma first. Rerun after changing it; the output
is deterministic.
"""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def write(harness, name, data):
    folder = os.path.join(here, "corpus", harness)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# Text fields. The first byte of a field reader seed picks number (0) or text
# (1) for each field in turn, lowest bit first.
def field_seed(name, kinds, text):
    write("fuzz_field_reader", name, bytes([kinds]) + text.encode("latin-1"))


field_seed("image_settings", 0b001, '"w",753,394\n')
field_seed("image_settings_unquoted_crlf", 0b001, "frame , 640 ,\r\n480\r\n")
field_seed("blade_turns_bom", 0b000, "\xef\xbb\xbf30,-30\n")
field_seed("part_lines", 0b000, "40,-90,376,394\n10,10\n\n20,10\r\n20,20\r10,20\n")
field_seed("quoted_across_lines", 0b011, '"a\r\nb" , "c",-2147483648\n')
field_seed("texts_and_numbers", 0b10101, 'x,1,"y",\t2 ,z\n3')

write("fuzz_part_file", "swept", "3,90,20,20\n10,10\n20,10\n20,20\n10,20\n")
write("fuzz_part_file", "carried", "3,90,20,20\n20,5\n15,0\n25,0\n25,10\n15,10\n")
write("fuzz_part_file", "header_only", "2,90,0,0\n")
write("fuzz_part_file", "lone_x_crlf", "5,-45,30,30\r\n5,28\r\n55,28\r\n55,32\r\n5,32\r\n7\r\n")
write("fuzz_part_file", "far_points", "3,359,0,0\n2147483647,-2147483648\n-2147483648,2147483647\n0,0\n")
write("fuzz_part_file", "full_101_points",
      "4,30,50,50\n" + "".join("%d,%d\n" % (i % 64, (i * 7) % 48) for i in range(101)))

# BMPs.
def bmp(width, height, bits, rows, header_size=40, compression=0, masks=None,
        palette=None, top_down=False, colours_used=None):
    """rows: top row first, each a list of stored values (indices or words)."""
    stride = (width * bits + 31) // 32 * 4
    pixel_rows = []
    for row in rows:
        out = bytearray(stride)
        for x, v in enumerate(row):
            bit = x * bits
            if bits <= 8:
                out[bit // 8] |= (v & ((1 << bits) - 1)) << (8 - bits - bit % 8)
            else:
                out[bit // 8: bit // 8 + bits // 8] = v.to_bytes(bits // 8, "little")
        pixel_rows.append(bytes(out))
    if not top_down:
        pixel_rows.reverse()
    core = header_size == 12
    if core:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        used = colours_used if colours_used is not None else (len(palette) if palette else 0)
        info = struct.pack("<IiiHHIIiiII", header_size, width, -height if top_down else height, 1, bits,
                           compression, stride * height, 2835, 2835, used, 0)
        if header_size >= 52:
            m = list(masks or [0, 0, 0, 0])
            info += struct.pack("<III", *m[:3])
            if header_size >= 56:
                info += struct.pack("<I", m[3] if len(m) > 3 else 0)
        if header_size >= 108:
            info += struct.pack("<I", 0x73524742) + bytes(36) + bytes(12)
        if header_size >= 124:
            info += struct.pack("<IIII", 4, 0, 0, 0)
        assert len(info) == header_size, (len(info), header_size)
    extra = b""
    if header_size == 40 and compression == 3:
        extra = struct.pack("<III", *masks[:3])
    pal = b""
    for (r, g, b) in (palette or []):
        pal += bytes([b, g, r]) if core else bytes([b, g, r, 0])
    offset = 14 + len(info) + len(extra) + len(pal)
    body = b"".join(pixel_rows)
    head = b"BM" + struct.pack("<IHHI", offset + len(body), 0, 0, offset)
    return head + info + extra + pal + body


def pattern(width, height, values):
    return [[values[(x + 2 * y) % len(values)] for x in range(width)] for y in range(height)]


two = [(0, 0, 0), (255, 255, 255)]
sixteen = [(i * 16, 255 - i * 16, (i * 37) % 256) for i in range(16)]
write("fuzz_bmp_reader", "bits24_own_size", bmp(37, 23, 24, pattern(37, 23, [0xffffff, 0x000000, 0x102030])))
write("fuzz_bmp_reader", "bits24_wide_top_down",
      bmp(41, 3, 24, pattern(41, 3, [0x0a0b0c, 0xffffff]), top_down=True))
write("fuzz_bmp_reader", "bits1", bmp(9, 5, 1, pattern(9, 5, [0, 1]), palette=two))
write("fuzz_bmp_reader", "bits1_core", bmp(9, 5, 1, pattern(9, 5, [1, 0]), header_size=12, palette=two))
write("fuzz_bmp_reader", "bits4_short_palette",
      bmp(7, 4, 4, pattern(7, 4, [0, 1, 2]), palette=sixteen[:3]))
write("fuzz_bmp_reader", "bits8", bmp(40, 2, 8, pattern(40, 2, [0, 5, 15]), palette=sixteen))
write("fuzz_bmp_reader", "bits16_555", bmp(5, 3, 16, pattern(5, 3, [0x7fff, 0x001f, 0x7c00])))
write("fuzz_bmp_reader", "bits16_565_bitfields",
      bmp(5, 3, 16, pattern(5, 3, [0xffff, 0xf800, 0x07e0]), compression=3, masks=[0xf800, 0x07e0, 0x001f]))
write("fuzz_bmp_reader", "bits32", bmp(4, 4, 32, pattern(4, 4, [0x00ff0000, 0x0000ff00, 0x000000ff])))
write("fuzz_bmp_reader", "bits32_v4_bitfields",
      bmp(4, 2, 32, pattern(4, 2, [0xff000000, 0x00ff0000]), header_size=108, compression=3,
          masks=[0xff000000, 0x00ff0000, 0x0000ff00, 0x000000ff]))
write("fuzz_bmp_reader", "bits24_v5", bmp(3, 3, 24, pattern(3, 3, [0x123456, 0xabcdef]), header_size=124))
write("fuzz_bmp_reader", "bits8_rle8_refused",
      bmp(4, 1, 8, [[0, 1, 0, 1]], compression=1, palette=two))
