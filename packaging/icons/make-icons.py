#!/usr/bin/env python3
"""Makes the program icon's PNG files for the hicolor theme from the window's own 16 and 32 px
pictures (window/resources/icon16.xpm, icon32.xpm).

Each size is a whole-number nearest-neighbour enlargement of one of the two pictures, so every pixel
stays sharp; 22 and 24 px, which no whole factor reaches, carry the 16 px picture centred with a
transparent margin. Run it from anywhere after the pictures change; its output is committed, so
building and packaging need no Python.

  make-icons.py                 writes the PNG files beside this script
  make-icons.py --check ICONS   checks that ICONS/hicolor/... hold those pictures, pixel for pixel
"""

import pathlib
import sys
import struct
import zlib

APP_ID = "example.brisvale.Brisvale"
HERE = pathlib.Path(__file__).resolve().parent
PICTURES = HERE.parent.parent / "window" / "resources"

# size: (source picture, enlargement factor)
SIZES = {
    16: (16, 1),
    22: (16, 1),
    24: (16, 1),
    32: (32, 1),
    48: (16, 3),
    64: (32, 2),
    128: (32, 4),
    256: (32, 8),
}


def read_xpm(path):
    """Pixels of an XPM picture as rows of (r, g, b, a)."""
    text = path.read_text(encoding="ascii")
    strings = []
    for line in text.splitlines():
        line = line.strip()
        if line.startswith('"'):
            strings.append(line[1 : line.rindex('"')])
    width, height, colours, per_pixel = (int(v) for v in strings[0].split()[:4])
    palette = {}
    for entry in strings[1 : 1 + colours]:
        key, rest = entry[:per_pixel], entry[per_pixel:].split()
        value = rest[rest.index("c") + 1]
        if value.lower() == "none":
            palette[key] = (0, 0, 0, 0)
        elif value.startswith("#") and len(value) == 7:
            palette[key] = (int(value[1:3], 16), int(value[3:5], 16), int(value[5:7], 16), 255)
        else:
            raise ValueError(f"{path.name}: colour {value!r} is not #RRGGBB or None")
    rows = []
    for line in strings[1 + colours : 1 + colours + height]:
        if len(line) != width * per_pixel:
            raise ValueError(f"{path.name}: row of {len(line)} characters, expected {width * per_pixel}")
        rows.append([palette[line[i : i + per_pixel]] for i in range(0, len(line), per_pixel)])
    if len(rows) != height:
        raise ValueError(f"{path.name}: {len(rows)} rows, expected {height}")
    return rows


def enlarge(rows, factor):
    return [[p for p in row for _ in range(factor)] for row in rows for _ in range(factor)]


def centre(rows, size):
    margin_top = (size - len(rows)) // 2
    margin_left = (size - len(rows[0])) // 2
    out = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y, row in enumerate(rows):
        out[margin_top + y][margin_left : margin_left + len(row)] = row
    return out


def raw_rows(rows):
    return b"".join(b"\x00" + bytes(c for p in row for c in p) for row in rows)


def png(rows):
    """An 8-bit RGBA PNG, with no time stamp or other chunk that would change between runs."""
    height, width = len(rows), len(rows[0])
    raw = raw_rows(rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def same_pixels(path, rows):
    """Whether the PNG at path, as this script writes them (RGBA, no row filters), shows rows.
    Compares pixels rather than bytes, which another zlib may compress differently."""
    data = path.read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return False
    pos, header, idat = 8, None, b""
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos : pos + 8])
        body = data[pos + 8 : pos + 8 + length]
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    expected_header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0)
    try:
        return header == expected_header and zlib.decompress(idat) == raw_rows(rows)
    except zlib.error:
        return False


def main():
    check = len(sys.argv) == 3 and sys.argv[1] == "--check"
    if len(sys.argv) != 1 and not check:
        sys.exit(__doc__)
    base = pathlib.Path(sys.argv[2]) if check else HERE
    pictures = {n: read_xpm(PICTURES / f"icon{n}.xpm") for n in (16, 32)}
    stale = []
    for size, (source, factor) in SIZES.items():
        rows = enlarge(pictures[source], factor)
        if len(rows) != size:
            rows = centre(rows, size)
        target = base / "hicolor" / f"{size}x{size}" / "apps" / f"{APP_ID}.png"
        if check:
            if not target.is_file() or not same_pixels(target, rows):
                stale.append(str(target))
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(png(rows))
        print(target.relative_to(base))
    if stale:
        sys.exit("not the window's icon (run packaging/icons/make-icons.py):\n  " + "\n  ".join(stale))


if __name__ == "__main__":
    main()
