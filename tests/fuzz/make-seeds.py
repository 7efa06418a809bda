#!/usr/bin/env python3
"""Writes small seed corpora for every fuzz target, one folder per target.

    tests/fuzz/make-seeds.py OUT      then, e.g.:
    build-fuzz/bin/fuzz_ziplist OUT/fuzz_ziplist -max_total_time=240

Every seed is made here from scratch (no file is copied from elsewhere): small
ZIP archives of every shape our readers meet (stored, deflated, empty, with a
comment, with folders, cut short), card files with their index and body
entries, index and clipboard texts, RTF, registry and ini texts, instance
records, a self-extracting stub, card-index (".crd") and text files to
import, pictures of RTF bodies (PNG, bitmaps bare and inside metafiles), GIF
images (still, animated, interlaced) and blocks and streams of the
installer's codec, and uninstall lists.
"""
import base64
import io
import json
import os
import struct
import sys
import zipfile
import zlib


def zip_bytes(entries, compression=zipfile.ZIP_DEFLATED, comment=b""):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", compression) as z:
        for name, data in entries:
            z.writestr(name, data)
        z.comment = comment
    return buf.getvalue()


def index_text(cards, version=b"3"):
    lines = [b"<~QEL MORAVINE QEL FILE VERSION~>" + version]
    for title, adr, siz in cards:
        lines += [b"<~TITLE~>" + title, b"<~UID~>45000-123", b"<~ADR~>%d" % adr, b"<~SIZ~>%d" % siz,
                  b"<~COLOR~>16777215", b"<~CREATED~>45000.5000000000", b"<~LAST OPEN~>45001.2500000000",
                  b"<~PHONE~>+1 555 0100", b""]
    return b"\r\n".join(lines) + b"\r\n"


BODY_RTF = b"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Hello \\b bold\\b0\\par}"
BODY_PLAIN = b"plain line\r\nsecond line\r\n"
BODIES = BODY_RTF + BODY_PLAIN
CARDS = [(b"Rich card", 0, len(BODY_RTF)), (b"Caf\xe9 plain", len(BODY_RTF), len(BODY_PLAIN))]


def card_file(stem="cards", cards=CARDS, bodies=BODIES, protected=False):
    entries = [(stem + ".~i", index_text(cards)), (stem + ".~h", bodies)]
    if protected:
        entries.append((stem + ".~p", b"password is here:\r\n"))
    return zip_bytes(entries)


def zips():
    plain = zip_bytes([("a.txt", b"hello hello hello hello")])
    return {
        "deflated": plain,
        "stored": zip_bytes([("a.txt", b"stored text"), ("dir/b.txt", b"in a folder")], zipfile.ZIP_STORED),
        "empty-archive": zip_bytes([]),
        "comment": zip_bytes([("c.txt", b"x")], comment=b"archive comment"),
        "utf8-name": zip_bytes([("caf\u00e9.txt", b"x")]),
        "cut-short": plain[: len(plain) // 2],
        "end-record-only": plain[plain.rfind(b"PK\x05\x06"):],
        "card-file": card_file(),
    }


def seeds():
    out = {}
    z = zips()
    out["fuzz_ziplist"] = z
    out["fuzz_unzengine"] = z
    out["fuzz_zipspan"] = {name: struct.pack("<H", len(data) // 2) + data for name, data in z.items()}
    out["fuzz_openfile"] = {
        "card-file": card_file(),
        "protected-marker": card_file(protected=True),
        "body-past-end": card_file(cards=[(b"beyond", 1000, 10)] + CARDS),
        "body-twice": zip_bytes([("x.~i", index_text(CARDS)), ("x.~h", BODIES), ("x.~h", b"short")]),
        "no-body": zip_bytes([("x.~i", index_text(CARDS))]),
        "old-archive": zip_bytes([("old.tmp", b"VR3KT Another moravine - text\r\n<CARDS>1\r\n<TITLE>a\r\nbody\r\n\r\n")]),
        "old-archive-two-entries": zip_bytes([("sub/old.~QE", b"VR3KT Another moravine - RTF\r\n<TITLE>a\r\nb\r\n"),
                                              ("other.tmp", b"x")]),
        "old-text": b"VR3KT Another moravine - text\r\n<TITLE>a\r\nbody\r\n<TITLE>b\r\n\r\n",
        "folders": zip_bytes([("sub/x.~i", index_text(CARDS)), ("sub/x.~h", BODIES)]),
    }
    old2 = (b"VR3KT Another moravine - RTF\r\n<CARDS>2\r\n<TITLE>Rich card\r\n<COLOR>255\r\n"
            b"<CREATED> 3.94555000000000E+0004\r\n<LAST OPEN> 4.50002500000000E+0004\r\n<PHONE>+1 555 0100\r\n"
            + BODY_RTF + b"\r\n\r\n<TITLE>Caf\xe9 plain\r\n" + BODY_PLAIN + b"\r\n\r\n")
    out["fuzz_oldformat"] = {
        "version2": old2,
        "version1": b"VR3KT Another moravine - text\r\n<TITLE>one\r\nline\r\n<TITLE>two\r\n\r\n",
        "lf-only": old2.replace(b"\r\n", b"\n"),
        "no-count": b"VR3KT Another moravine - text\r\n<CARDS>many\r\n<TITLE>a\r\n<COLOR>red\r\n<CREATED>x\r\nb",
        "title-last": b"VR3KT Another moravine - text\r\n<TITLE>a\r\n<TITLE>b",
        "utf8": "VR3KT Another moravine - text\r\n<TITLE>\u039a\u03b1\r\n<PHONE>\u20ac\r\nb\r\n\r\n".encode(),
    }
    out["fuzz_index"] = {
        "open": b"\x00" + index_text(CARDS),
        "merge": b"\x02" + index_text(CARDS),
        "old-version": b"\x00" + index_text(CARDS, b"2"),
        "no-header": b"\x00<~TITLE~>x\r\n<~SIZ~>3\r\n",
        "lf-only": b"\x00" + index_text(CARDS).replace(b"\r\n", b"\n"),
        "utf8": b"\x00" + index_text([("\u039a\u03b1\u03bb\u03b7".encode(), 0, 3)]),
    }
    out["fuzz_cardclipboard"] = {
        "two-cards": b"<TITLE>One\r\n<COLOR>255\r\n<CREATED> 4.50005000000000E+0004\r\n<PHONE>123\r\n" + BODY_RTF
        + b"\r\n<TITLE>Two\r\n<<escaped\r\nplain\r\n",
        "cards-line": b"<TITLE>x\r\n<CARDS>7\r\nbody\r\n",
        "utf8": "<TITLE>Zo\u0142\u0107\r\n<PHONE>\u00e9\r\nb\r\n".encode(),
        "legacy": b"<TITLE>Caf\xe9\r\nb\r\n",
        "body-bytes": b"<TITLE>pic\r\n<BODY64>" + base64.b64encode(b"a\nb\rc\x00") + b"\r\n",
    }
    out["fuzz_codepage"] = {"legacy": b"Caf\xe9 \x80\x81", "utf8": "Caf\u00e9 \u20ac".encode(), "ascii": b"plain"}
    out["fuzz_datetime"] = {"pattern": struct.pack("<d", 45000.75) + b"dd/mm/yyyy hh:nn:ss ampm",
                            "long": struct.pack("<d", -1.5) + b"dddddd mmmm yy \"quoted\" c"}
    rtf = {
        "simple": BODY_RTF,
        "table-and-colours": b"{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}\\cf1 red\\par"
        b"\\trowd\\cellx1000\\intbl a\\cell\\row}",
        "unicode": b"{\\rtf1\\ansi\\uc1 caf\\u233?\\par\\'e9\\par}",
        "bullets": b"{\\rtf1{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\fi-360\\li720 item\\par}",
        "picture": b"{\\rtf1{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a}\\par}",
        "object": b"{\\rtf1{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result x}}}",
    }
    out["fuzz_rtfreader"] = rtf
    out["fuzz_rtfwrite"] = rtf
    reg = (b"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Qel Moravine\\Options]\r\n"
           b"\"SortList\"=dword:00000001\r\n\"AutosaveLocation\"=\"C:\\\\backup\"\r\n"
           b"\"CardFontName\"=\"Arial\"\r\n\"CardFontSize\"=dword:0000000a\r\n\"Blob\"=hex:01,02,ff\r\n"
           b"\"Path\"=hex(2):25,00,00,00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Qel Moravine\\StartUp]\r\n@=\"x\"\r\n")
    ini = (b"[Filter]\r\nColor=-16777192\r\nFontName=Arial\r\nFontSize=10\r\nFontStyle=BI\r\n"
           b"[Card]\r\nFontColor=255\r\n; comment\r\n[List]\r\nBad line\r\n")
    out["fuzz_regfile"] = {"options": reg, "empty": b"", "damaged": reg[:60] + b"\r\n\"x\"=dword:zz\r\n[broken\r\n"}
    out["fuzz_inifile"] = {"scheme": ini, "bom": b"\xef\xbb\xbf" + ini, "legacy": b"[Caf\xe9]\r\nk=v\xe9\r\n"}
    out["fuzz_settings"] = {"registry": b"\x01" + reg, "scheme": b"\x00" + ini,
                            "registry-damaged": b"\x01" + reg.replace(b"dword:0000000a", b"dword:fffffffff")}
    out["fuzz_instances"] = {
        "record": b'{"pid":1,"caption":"cards - Qel Moravine","file":"/home/u/cards.qel","socket":"/run/x.sock",'
        b'"temp":["00000000000000000000000012345678.~h"]}',
        "no-temp": b'{"pid":1,"caption":"c","file":"/c.qel","socket":"/s"}',
        "wrong-types": b'{"pid":"x","caption":1,"file":[],"socket":{},"temp":"x"}',
        "not-json": b"{not json",
    }
    out["fuzz_instancerequest"] = {"restore": b"restore\n", "partial": b"resto", "unknown": b"hello\n",
                                   "long": b"r" * 300}
    # A self-extracting stub: a DOS header pointing at a PE header with no sections.
    mz = bytearray(b"MZ" + b"\0" * 62)
    struct.pack_into("<I", mz, 0x3C, 64)
    pe = b"PE\0\0" + struct.pack("<HHIIIHH", 0x14C, 0, 0, 0, 0, 0xE0, 0x102) + b"\0" * 0xE0
    out["fuzz_sfxicon"] = {"no-sections": bytes(mz) + pe, "dos-only": bytes(mz)}
    out["fuzz_textimport"] = {
        "crd": crd_file([(b"First", b"one\r\ntwo", b""), (b"Caf\xe9", b"with picture", b"\x7f" * 40)]),
        "crd-empty": crd_file([]),
        "delimited": b"Title one;body;more\r\nTitle two;x\r\nno delimiter\r\n",
        "paragraphs": "Title\nbody line\n\n  \nSecond \u00e9\nline\n".encode(),
    }
    out["fuzz_rtfpict"] = pictures()
    out["fuzz_gif"] = gifs()
    out["fuzz_lzrw1kh"] = lzrw1kh_blocks()
    out["fuzz_pmcs10"] = {name: pmcs10([b]) for name, b in lzrw1kh_blocks().items()}
    out["fuzz_pmcs10"]["two-blocks"] = pmcs10(list(lzrw1kh_blocks().values())[:2])
    out["fuzz_payload"] = {"two-components": payload_form(), "cut-short": payload_form()[:40]}
    out["fuzz_manifest"] = manifests()
    return out


def gif_lzw(pixels):
    """LZW data of 2-bit pixels that never grows past 3-bit codes: a clear code
    before every two pixels, so every decoder reads it the same way."""
    codes = []
    for i in range(0, len(pixels), 2):
        codes += [4] + list(pixels[i:i + 2])
    codes.append(5)
    bits = 0
    nbits = 0
    out = bytearray()
    for c in codes:
        bits |= c << nbits
        nbits += 3
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        out.append(bits & 0xFF)
    blocks = b"".join(bytes([len(out[i:i + 255])]) + bytes(out[i:i + 255]) for i in range(0, len(out), 255))
    return b"\x02" + blocks + b"\x00"


def gif_bytes(width, height, frames, loop=None, comment=None):
    """A GIF89a file with a four-colour global table; frames are (pixels,
    flags, local table or b"", delay, disposal, transparent index or None)."""
    palette = b"\x00\x00\x00\xff\xff\xff\xff\x00\x00\x00\x00\xff"
    out = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x81, 0, 0) + palette
    if loop is not None:
        out += b"\x21\xff\x0bNETSCAPE2.0\x03\x01" + struct.pack("<H", loop) + b"\x00"
    if comment:
        out += b"\x21\xfe" + bytes([len(comment)]) + comment + b"\x00"
    for pixels, flags, local, delay, disposal, transparent in frames:
        gce = (disposal << 2) | (1 if transparent is not None else 0)
        out += b"\x21\xf9\x04" + struct.pack("<BHB", gce, delay, transparent or 0) + b"\x00"
        out += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, flags) + local + gif_lzw(pixels)
    return out + b"\x3b"


def gifs():
    still = gif_bytes(4, 3, [(bytes(i % 4 for i in range(12)), 0, b"", 0, 0, None)])
    animation = gif_bytes(3, 2, [(bytes([0, 1, 2, 3, 2, 1]), 0, b"", 10, 1, None),
                                 (bytes([3, 3, 0, 0, 1, 1]), 0, b"", 20, 2, 3)], loop=0, comment=b"made here")
    local = b"\x10\x20\x30\x40\x50\x60\x70\x80\x90\xa0\xb0\xc0"
    interlaced = gif_bytes(2, 9, [(bytes(i % 4 for i in range(18)), 0x80 | 0x40 | 0x01, local, 0, 0, None)])
    return {"still": still, "animation": animation, "interlaced-local-table": interlaced,
            "cut-short": animation[:-12]}


def dib(width, height, bpp, palette=b"", bits=None):
    """A BITMAPINFOHEADER, its palette and bottom-up bits (no file header)."""
    stride = (width * bpp + 31) // 32 * 4
    colours = len(palette) // 4
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, 0, 0, 0, colours, 0) + palette
    return info + (bits if bits is not None else bytes((i * 37) & 0xFF for i in range(stride * height)))


def png(width, height):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    rows = b"".join(b"\x00" + bytes((x * 50 + y * 90) & 0xFF for x in range(width * 3)) for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def pictures():
    """Picture bytes of RTF bodies behind fuzz_rtfpict's seven-byte prefix
    (kind, \\picw, \\pich, bits per pixel, width bytes)."""
    def pict(kind, data, w=0, h=0, bpp=0, width_bytes=0):
        return struct.pack("<BHHBB", kind, w, h, bpp, width_bytes) + data
    packed = dib(3, 2, 24)
    stretch = struct.pack("<IHhhhhhhhh", 0xCC0020, 0, 2, 3, 0, 0, 2, 3, 0, 0) + packed
    wmf_records = struct.pack("<IH", (6 + len(stretch)) // 2, 0x0F43) + stretch + struct.pack("<IH", 3, 0)
    wmf = (struct.pack("<IHhhhhHIH", 0x9AC6CDD7, 0, 0, 0, 100, 100, 1440, 0, 0)
           + struct.pack("<HHHIHIH", 1, 9, 0x300, (18 + len(wmf_records)) // 2, 0, 0, 0) + wmf_records)
    info = dib(3, 2, 24, bits=b"")
    bits = packed[len(info):]
    header = struct.pack("<II", 1, 88) + b"\x00" * 80
    fixed = 80
    emf_dib = (struct.pack("<II", 81, fixed + len(info) + len(bits)) + b"\x00" * 40
               + struct.pack("<IIII", fixed, len(info), fixed + len(info), len(bits)) + b"\x00" * 16 + info + bits)
    emf = header + emf_dib + struct.pack("<IIIII", 14, 20, 0, 0, 20)
    return {
        "png": pict(0, png(3, 2)),
        "emf-stretchdibits": pict(2, emf, 300, 200),
        "wmf-stretchdib": pict(3, wmf, 300, 200),
        "dib-24": pict(4, packed),
        "dib-8-palette": pict(4, dib(4, 3, 8, palette=b"\x00\x00\x00\x00\xff\xff\xff\x00\x00\x00\xff\x00\xff\x00\x00\x00")),
        "ddb-mono": pict(5, b"\xa5\x00\x5a\x00", 4, 2, 1, 2),
        "ddb-rgb": pict(5, bytes(range(24)), 2, 2, 24, 6),
    }


def crd_file(cards):
    """A card-index (".crd") file: "MGC", the count, 52-byte index entries
    (offset at 6, title at 11), then each card's picture and text."""
    index = b""
    data = b""
    base = 5 + 52 * len(cards)
    for title, text, picture in cards:
        index += b"\x00" * 6 + struct.pack("<I", base + len(data)) + b"\x00" + title[:40].ljust(41, b"\x00")
        data += struct.pack("<H", len(picture))
        if picture:
            data += struct.pack("<HHHH", 32, 16, 4, 5) + picture
        data += struct.pack("<H", len(text)) + text
    return b"MGC" + struct.pack("<H", len(cards)) + index + data


def lzrw1kh_blocks():
    """Blocks of the installer's codec: stored, literals only, and literals
    followed by a copy and a run (control bits say which items are codes)."""
    return {"stored": b"\x80stored bytes", "literals": b"\x40\x00\x00abcdef",
            "copy-and-run": b"\x40\x18\x00abc\x00\x30\x00\x00\x05z"}


def pmcs10(blocks):
    body = b"".join(struct.pack("<I", len(b)) + b for b in blocks)
    return b"PMCS10" + struct.pack("<I", len(body)) + body


def payload_form():
    """The installer's form data: a stored text file and a stored-block PMCS10 stream."""
    text = b"readme text\n"
    block = b"\x80" + b"engine bytes"
    pmcs = b"PMCS10" + struct.pack("<II", 4 + len(block), len(block)) + block
    out = b"QMFORM01" + struct.pack("<I", 2)
    for name, label, ext, compress, data in ((b"fs_readme", b"readme", b".txt", 0, struct.pack("<I", len(text)) + text),
                                             (b"fs_zipdll", b"zipdll", b".so", 1, pmcs)):
        for s in (name, label, ext):
            out += bytes([len(s)]) + s
        out += bytes([compress]) + struct.pack("<I", zlib.crc32(data)) + b"\x0a" + struct.pack("<I", len(data)) + data
    return out


def manifests():
    """Uninstall lists as the installer writes them, and a few it never writes."""
    full = {
        "format": "qel-moravine-install-manifest", "version": 1, "installDir": "/home/u/.local/opt/Qel Moravine",
        "files": [{"path": "/home/u/.local/opt/Qel Moravine/qel-moravine", "sha256": "00" * 32},
                  {"path": "/home/u/.local/share/applications/qel-moravine.desktop", "sha256": "ab" * 32}],
        "folders": ["/home/u/.local/opt", "/home/u/.local/opt/Qel Moravine"],
        "hiveValues": [{"key": "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Qel Moravine.exe",
                        "name": "", "text": "/home/u/.local/opt/Qel Moravine/qel-moravine"}],
        "hiveKeys": ["Software", "Software\\Microsoft"],
        "mimeDefaults": [{"file": "/home/u/.config/mimeapps.list", "mimeType": "application/x-qel-moravine",
                          "entry": "qel-moravine.desktop", "hadLine": True, "previous": "other.desktop;",
                          "addedSection": False, "createdFile": False}],
        "mimeDatabase": "/home/u/.local/share/mime",
        "hiveFile": "/home/u/.local/share/qel-moravine/hklm.reg",
    }
    text = json.dumps(full, indent=4).encode()
    return {
        "full": text,
        "minimal": b'{"format":"qel-moravine-install-manifest","version":1,"installDir":"/a","files":[]}',
        "relative-path": text.replace(b'"/home/u/.local/opt/Qel Moravine/qel-moravine"', b'"qel-moravine"'),
        "wrong-types": b'{"format":"qel-moravine-install-manifest","version":1,"installDir":1,"files":{}}',
        "cut-short": text[: len(text) // 2],
        "not-json": b"\xff\xfe{",
    }


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    for target, files in seeds().items():
        folder = os.path.join(root, target)
        os.makedirs(folder, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
    print("seeds for %d targets in %s" % (len(seeds()), root))


if __name__ == "__main__":
    import warnings
    warnings.simplefilter("ignore")  # a duplicate entry name is meant
    main()
