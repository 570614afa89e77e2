#!/usr/bin/env python3
"""Writes the sequence file that the end-to-end test expects for ../line1.txt at 5 m.

The bytes are spelt out by hand from the instrument's layout, not produced by the program,
so that the test compares the program with an independent statement of the format.
Run it from anywhere; it writes line1.txt.KGW beside itself.
"""
import os

# Offset, hex bytes, meaning. Multi-byte numbers are little endian.
FIELDS = [
    (0, "dc", "marker -36"),
    (1, "05 00 00 00", "5 quadruples"),
    (5, "00" * 256, "256 zero bytes"),
    (261, "05", "5"),
    (262, "00", "0"),
    (263, "88 13 00 00", "spacing 5000 mm"),
    (267, "00 00 00 00", "0"),
    (271, "01" * 48, "48 x 0x01"),
    (319, "00" * 16, "16 zero bytes"),
    # The body: A, M, N, B per line of the list (whose columns are A, B, M, N).
    (335, "01 02 03 04", "1 4 2 3"),
    (339, "02 03 04 05", "2 5 3 4"),
    (343, "01 02 03 00", "1 0 2 3: B remote"),
    (347, "05 06 00 00", "5 0 6 0: B and N remote"),
    (351, "30 2f 2e 00", "48 0 47 46"),
]

data = b""
for offset, hex_bytes, meaning in FIELDS:
    assert len(data) == offset, f"{meaning} belongs at {offset}, not {len(data)}"
    data += bytes.fromhex(hex_bytes)
assert len(data) == 335 + 4 * 5

with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "line1.txt.KGW"), "wb") as f:
    f.write(data)
