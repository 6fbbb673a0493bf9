#!/usr/bin/env python3
"""A 100000 x 100000 PNG sent for text recognition fails within the memory cap, clearly."""
import struct
import zlib

import dokora_probe as probe


def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


side = 100000
packer = zlib.compressobj(9)
rows = (b"\0" + b"\xff" * (side // 8)) * 100
pixels = b"".join(packer.compress(rows) for _ in range(side // 100)) + packer.flush()
image = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 1, 0, 0, 0, 0))
         + chunk(b"IDAT", pixels) + chunk(b"IEND", b""))
state, message, _ = probe.convert(probe.sign_in(), "img-to-txt", "huge.png", image, limit=50)
probe.verdict(state == "FAILED" and "memory" in message,
              "a %d kB PNG of 100000 x 100000 pixels: %s %s" % (len(image) // 1024, state, message))
