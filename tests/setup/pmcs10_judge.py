#!/usr/bin/env python3
"""Independent decoder for PMCS10 streams, written from the format text alone.

Usage: pmcs10_judge.py STREAM OUTPUT. Exits non-zero on any malformed input.
"""
import struct
import sys


def decode_block(b):
    if b[0] == 0x80:
        return bytes(b[1:])
    assert b[0] == 0x40, "bad flag"
    out = bytearray()
    ctrl = (b[1] << 8) | b[2]
    bits = 16
    i = 3
    while i < len(b):
        if bits == 0:
            ctrl = (b[i] << 8) | b[i + 1]
            i += 2
            bits = 16
        if ctrl & 0x8000:
            value = (b[i] << 8) | b[i + 1]
            dist, low = value >> 4, value & 15
            if dist:
                assert dist <= len(out), "copy before start"
                for _ in range(low + 3):
                    out.append(out[-dist])
                i += 2
            else:
                count = ((b[i + 1] << 8) | b[i + 2]) + 16
                out += bytes([b[i + 3]]) * count
                i += 4
        else:
            out.append(b[i])
            i += 1
        ctrl = (ctrl << 1) & 0xFFFF
        bits -= 1
    return bytes(out)


def main():
    data = open(sys.argv[1], "rb").read()
    assert data[:6] == b"PMCS10", "bad magic"
    (total,) = struct.unpack_from("<I", data, 6)
    assert total == len(data) - 10, "total"
    pos, out = 10, bytearray()
    while pos < len(data):
        (length,) = struct.unpack_from("<I", data, pos)
        pos += 4
        block = data[pos:pos + length]
        assert len(block) == length, "short block"
        pos += length
        decoded = decode_block(block)
        assert len(decoded) <= 32783, "block too long"
        out += decoded
    open(sys.argv[2], "wb").write(out)


if __name__ == "__main__":
    main()
