#!/usr/bin/env python3
"""Writes one encoded online message of each kind into the protocol fuzzer's kept
corpus (fuzz/corpus/net_protocol_fuzzer/), laid out as src/net/protocol.h says:
version byte, type byte, then little-endian fields."""
import pathlib
import struct

VERSION = 1
OUT = pathlib.Path(__file__).resolve().parents[2] / "fuzz" / "corpus" / "net_protocol_fuzzer"

MESSAGES = {
    "hello": struct.pack("<BBB", VERSION, 1, 5) + b"1.0.0" + bytes.fromhex("0123456789abcdef")
    + struct.pack("<Q", 0x1122334455667788),
    "welcome": struct.pack("<BBQBI", VERSION, 2, 0x1122334455667788, 3, 0),
    "refuse": struct.pack("<BBB", VERSION, 3, 2),
    "input": struct.pack("<BBIBI", VERSION, 4, 120, 6, 118) + bytes([0, 1, 5, 0x10, 0x1F, 0]),
    "input-ack-only": struct.pack("<BBIBI", VERSION, 4, 7, 0, 9),
    "checksum": struct.pack("<BBIQ", VERSION, 5, 600, 0xDEADBEEFCAFEF00D),
    "next-match": struct.pack("<BBI", VERSION, 6, 2000),
    "leave": struct.pack("<BB", VERSION, 7),
    "timing": struct.pack("<BBI", VERSION, 8, 1234),
}

OUT.mkdir(parents=True, exist_ok=True)
for name, data in MESSAGES.items():
    (OUT / name).write_bytes(data)
