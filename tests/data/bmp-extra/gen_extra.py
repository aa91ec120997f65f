#!/usr/bin/env python3
"""Writes the small hand-made BMP files of this folder (see README.md). Deterministic; python3 only.
Run from this folder: python3 gen_extra.py"""
import struct, zlib

def bmp(name, w, h, bpp, rows, palette=(), comp=0, masks=b'', hdr40=True, offset=None, pad_after_pal=b'',
        truncate=None, sig=b'BM'):
    """rows: list of stored rows (file order, i.e. bottom line first when h > 0), each already packed
    WITHOUT padding; padding to 4 bytes is added here."""
    pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    data = b''
    for r in rows:
        data += r + b'\0' * ((4 - len(r) % 4) % 4)
    off = 54 + len(pal) + len(masks) + len(pad_after_pal) if offset is None else offset
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, comp, len(data), 2835, 2835, len(palette), 0)
    body = info + pal + masks + pad_after_pal + data
    f = sig + struct.pack('<IHHI', 14 + len(body), 0, 0, off) + body
    if truncate is not None:
        f = f[:truncate]
    open(name, 'wb').write(f)

def pack(bits, idx):
    """pack palette indices MSB-first"""
    out, acc, n = bytearray(), 0, 0
    for i in idx:
        acc = (acc << bits) | i; n += bits
        if n == 8: out.append(acc); acc, n = 0, 0
    if n: out.append(acc << (8 - n))
    return bytes(out)

RED, GRN, BLU, MAG, WHT, BLK = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 0, 255), (255, 255, 255), (0, 0, 0)
def rgb24(px): return b''.join(bytes((b, g, r)) for (r, g, b) in px)
def rgb32(px, a=0): return b''.join(bytes((b, g, r, a)) for (r, g, b) in px)

# 1. 24-bit 3x2 (worked example): stored row 0 -> line 1, stored row 1 -> line 0
bmp('rgb24-3x2.bmp', 3, 2, 24, [rgb24([RED, GRN, BLU]), rgb24([MAG, WHT, BLK])])
# 2. odd widths 1, 3, 5 at every accepted depth, height 2
pal16 = [(i * 17, 255 - i * 17, (i * 85) & 255) for i in range(16)]
pal256 = [(i, (i * 7) & 255, 255 - i) for i in range(256)]
for w in (1, 3, 5):
    line0 = [i % 2 for i in range(w)]; line1 = [(i + 1) % 2 for i in range(w)]
    bmp(f'pal1-w{w}.bmp', w, 2, 1, [pack(1, line1), pack(1, line0)], palette=[BLK, WHT])
    bmp(f'pal4-w{w}.bmp', w, 2, 4, [pack(4, [(i + 8) % 16 for i in range(w)]), pack(4, list(range(w)))], palette=pal16)
    bmp(f'pal8-w{w}.bmp', w, 2, 8, [bytes((i * 50 + 1) % 256 for i in range(w)), bytes((i * 50) % 256 for i in range(w))], palette=pal256)
    cols = [RED, GRN, BLU, MAG, WHT]
    bmp(f'rgb24-w{w}.bmp', w, 2, 24, [rgb24(cols[:w][::-1]), rgb24(cols[:w])])
    bmp(f'rgb32-w{w}.bmp', w, 2, 32, [rgb32(cols[:w][::-1], 0x80), rgb32(cols[:w], 0xFF)])
# 3. 1-bit, 10 wide (worked example): 2 bytes + 2 padding per row; bit 7 of first byte is pixel 0
bmp('pal1-w10.bmp', 10, 2, 1, [pack(1, [1, 0, 0, 0, 0, 0, 0, 0, 0, 1]), pack(1, [1, 1, 0, 0, 0, 0, 0, 0, 0, 0])], palette=[BLK, WHT])
# 4. 8-bit with 16 palette entries (offset 54 + 16*4); pixels use index 5 (in file) and 200 (not in file)
bmp('pal8-16entries.bmp', 4, 2, 8, [bytes((5, 5, 200, 200)), bytes((0, 15, 200, 5))], palette=pal16)
# 5. 8-bit whose (offset - 54) is not a multiple of 4: 16 entries + 2 junk bytes (0xEE) before pixel data
bmp('pal8-offset-plus2.bmp', 4, 2, 8, [bytes((1, 2, 3, 4)), bytes((5, 6, 7, 8))], palette=pal16, pad_after_pal=b'\xee\xee')
# 6. 16-bit 10x10 (BI_RGB, 5-5-5) and 5-6-5 bitfields, and bit count 15
px16 = [b''.join(struct.pack('<H', ((x * 3) << 10) | ((y * 3) << 5) | 31) for x in range(10)) for y in range(10)]
bmp('rgb16-555-10x10.bmp', 10, 10, 16, px16)
px565 = [b''.join(struct.pack('<H', ((x * 3) << 11) | ((y * 6) << 5) | 31) for x in range(10)) for y in range(10)]
bmp('rgb16-565bf-10x10.bmp', 10, 10, 16, px565, comp=3, masks=struct.pack('<III', 0xF800, 0x07E0, 0x001F))
bmp('rgb15-4x4.bmp', 4, 4, 15, [b''.join(struct.pack('<H', 0x7C00) for _ in range(4))] * 4)
# 7. top-down 24-bit, height -20
bmp('rgb24-topdown-4x20.bmp', 4, -20, 24, [rgb24([RED] * 4)] * 20)
# 8. 24-bit 5x20 cut after its first 5 rows (worked example): 54 + 5 * 16 bytes
bmp('rgb24-5x20-cut-after-5-rows.bmp', 5, 20, 24, [rgb24([GRN] * 5)] * 20, truncate=54 + 5 * 16)
# 9. 24-bit 5x20 cut in the middle of row 3
bmp('rgb24-5x20-cut-mid-row.bmp', 5, 20, 24, [rgb24([BLU] * 5)] * 20, truncate=54 + 2 * 16 + 7)
# 10. 1-bit 10x4 cut in the middle of its second row (byte-wise reader hits EOF)
bmp('pal1-w10x4-cut-mid-row.bmp', 10, 4, 1, [pack(1, [1] * 10)] * 4, palette=[BLK, WHT], truncate=54 + 8 + 4 + 1)
# 11. header only (claims 4x4 24-bit), no pixel data
bmp('rgb24-header-only.bmp', 4, 4, 24, [rgb24([RED] * 4)] * 4, truncate=54)
# 12. files shorter than the header
bmp('short-20-bytes.bmp', 4, 4, 24, [rgb24([RED] * 4)] * 4, truncate=20)
open('empty.bmp', 'wb').close()
# 13. wrong signatures: "BA" (OS/2 bitmap array) and a PNG file named .bmp
bmp('sig-BA.bmp', 3, 2, 24, [rgb24([RED, GRN, BLU]), rgb24([MAG, WHT, BLK])], sig=b'BA')
def png_chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
raw = b''.join(b'\0' + bytes((255, 0, 255)) * 4 for _ in range(4))
open('png-named.bmp', 'wb').write(b'\x89PNG\r\n\x1a\n' + png_chunk(b'IHDR', struct.pack('>IIBBBBB', 4, 4, 8, 2, 0, 0, 0))
                                  + png_chunk(b'IDAT', zlib.compress(raw)) + png_chunk(b'IEND', b''))
# 14. 32-bit whose fourth bytes are all 0 (alpha 0) 3x2
bmp('rgb32-alpha0-3x2.bmp', 3, 2, 32, [rgb32([RED, GRN, BLU], 0), rgb32([MAG, WHT, BLK], 0)])
# 15. unsupported bit count 2 and absurd bit count 64 on a tiny image
bmp('pal2-w5.bmp', 5, 2, 2, [pack(2, [0, 1, 2, 3, 0]), pack(2, [3, 2, 1, 0, 3])], palette=[BLK, RED, GRN, BLU])
# 16. info-header size 108 (V4) is covered by bmpsuite g/pal8v4.bmp; RLE by g/pal8rle.bmp, g/pal4rle.bmp
