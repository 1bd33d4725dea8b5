#!/usr/bin/env python3
"""Draws the program's pictures as XPM text: the icon (16 and 32 px, also the About picture) and the
three 32 x 16 button glyphs (enabled picture left, grey copy right). Run it from this folder to
regenerate the .xpm files; they are committed, so building does not need Python."""

import math

# The glyphs' background; their bottom-left pixel carries it and it is drawn transparent.
GLYPH_BACK = (236, 233, 216)
NONE = None  # transparent pixel of the icon


def canvas(w, h, fill):
    return [[fill for _ in range(w)] for _ in range(h)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(max(y0, 0), min(y1 + 1, len(img))):
        for x in range(max(x0, 0), min(x1 + 1, len(img[0]))):
            img[y][x] = colour


def frame(img, x0, y0, x1, y1, colour):
    for x in range(x0, x1 + 1):
        img[y0][x] = img[y1][x] = colour
    for y in range(y0, y1 + 1):
        img[y][x0] = img[y][x1] = colour


def line(img, x0, y0, x1, y1, colour, width=1):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        for dy in range(width):
            for dx in range(width):
                if 0 <= y + dy < len(img) and 0 <= x + dx < len(img[0]):
                    img[y + dy][x + dx] = colour


def sheet(img, x0, y0, w, h, fill, edge, fold):
    """A sheet of paper with its top-right corner folded down, and lines of text on it."""
    x1, y1 = x0 + w - 1, y0 + h - 1
    flap = tuple(min(255, c + (255 - c) * 2 // 3) for c in fill)
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            dx, dy = x - (x1 - fold), y - y0
            if dx > dy:
                continue  # cut off by the fold
            if x in (x0, x1) or y in (y0, y1) or dx == dy:
                img[y][x] = edge
            elif dx >= 0 and dy <= fold:
                img[y][x] = edge if dx == 0 or dy == fold else flap
            else:
                img[y][x] = fill
    step = 3 if h > 10 else 2
    for y in range(y0 + fold + 2, y1 - 1, step):
        line(img, x0 + 2, y, x1 - 2, y, edge)


def icon(size):
    img = canvas(size, size, NONE)
    green_fill, green_edge = (96, 200, 96), (0, 110, 0)
    red_fill, red_edge = (240, 100, 90), (150, 0, 0)
    yellow = (250, 210, 0)
    if size == 32:
        w, h, fold, width = 13, 17, 4, 2
    else:
        w, h, fold, width = 7, 9, 2, 1
    gx, gy = 0, 0
    rx, ry = size - w, size - h
    # the yellow line runs from the foot of the green sheet to the side of the red one
    mx = gx + w // 2 - width // 2
    my = ry + h // 2 - width // 2
    line(img, mx, gy + h, mx, my, yellow, width)
    line(img, mx, my, rx - 1, my, yellow, width)
    sheet(img, gx, gy, w, h, green_fill, green_edge, fold)
    sheet(img, rx, ry, w, h, red_fill, red_edge, fold)
    return img


def lamp(fill, light, dark):
    img = canvas(16, 16, GLYPH_BACK)
    cx, cy, r = 7.5, 6.5, 5.6
    for y in range(16):
        for x in range(16):
            d = math.hypot(x - cx, y - cy)
            if d <= r - 1:
                img[y][x] = light if math.hypot(x - 5.5, y - 4.5) < 2.0 else fill
            elif d <= r:
                img[y][x] = dark
    # the lamp's socket
    rect(img, 5, 12, 10, 14, (128, 128, 128))
    frame(img, 5, 12, 10, 14, (64, 64, 64))
    line(img, 6, 13, 9, 13, (192, 192, 192))
    return img


def door():
    img = canvas(16, 16, GLYPH_BACK)
    brown, dark, knob = (170, 110, 50), (90, 50, 20), (250, 210, 0)
    frame(img, 1, 1, 9, 14, dark)  # the door frame
    rect(img, 2, 2, 8, 13, (40, 30, 20))  # the dark opening
    # the open door leaf, in perspective
    for x in range(2, 7):
        top, bottom = 2 + (x - 2) // 2, 13 - (x - 2) // 2
        for y in range(top, bottom + 1):
            img[y][x] = brown
        img[top][x] = img[bottom][x] = dark
    img[8][5] = knob
    blue = (0, 0, 255)
    line(img, 8, 7, 13, 7, blue, 2)  # the arrow's shaft, leaving through the door
    for i in range(4):  # its head
        line(img, 14 - i, 7 - i, 14 - i, 8 + i, blue)
    return img


def grey(img):
    """The disabled copy: every pixel but the background turned to a light grey of its brightness."""
    out = []
    for row in img:
        new = []
        for p in row:
            if p == GLYPH_BACK or p is None:
                new.append(p)
            else:
                lum = (p[0] * 30 + p[1] * 59 + p[2] * 11) // 100
                g = 128 + lum // 2
                new.append((g, g, g))
        out.append(new)
    return out


def glyph(picture):
    disabled = grey(picture)
    return [picture[y] + disabled[y] for y in range(16)]


def write_xpm(path, name, img):
    colours = []
    for row in img:
        for p in row:
            if p not in colours:
                colours.append(p)
    chars = ".#abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+@$%&*=-;:>,<1"
    assert len(colours) <= len(chars)
    key = {p: chars[i] for i, p in enumerate(colours)}
    with open(path, "w") as f:
        f.write("/* XPM */\n")
        f.write(f"static const char *{name}[] = {{\n")
        f.write(f'"{len(img[0])} {len(img)} {len(colours)} 1",\n')
        for p in colours:
            colour = "None" if p is None else "#%02X%02X%02X" % p
            f.write(f'"{key[p]} c {colour}",\n')
        for i, row in enumerate(img):
            end = ",\n" if i + 1 < len(img) else "\n"
            f.write('"' + "".join(key[p] for p in row) + '"' + end)
        f.write("};\n")


if __name__ == "__main__":
    write_xpm("icon16.xpm", "icon16", icon(16))
    write_xpm("icon32.xpm", "icon32", icon(32))
    write_xpm("freeze.xpm", "freeze", glyph(lamp((230, 20, 20), (255, 170, 160), (120, 0, 0))))
    write_xpm("unfreeze.xpm", "unfreeze", glyph(lamp((20, 180, 20), (170, 255, 170), (0, 90, 0))))
    write_xpm("exit.xpm", "exit", glyph(door()))
