#!/usr/bin/env python3
"""Regenerates the program's resource files from readable sources.

    python3 res/make_resources.py

writes, next to this script:
  vestrel.ico       the program icon: a drive, nine sizes from 16 to 256 pixels,
                    32-bit uncompressed bitmaps with alpha (no PNG images)
  banner.bmp        the About window's banner: 442 x 75, 24 bits, a landscape at dusk
  eula.rtf          the license agreement, from eula.txt
  vestrel.manifest  the application manifest (UTF-8 with a byte-order mark), and
                    vestrel64.manifest, the same for the 64-bit program

Only the Python standard library is needed. The outputs are committed, so
building the program does not need Python.
"""

import datetime
import math
import os
import re
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------- drawing


def clamp(x, lo=0.0, hi=1.0):
    return lo if x < lo else hi if x > hi else x


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def rounded_rect(px, py, cx, cy, hw, hh, r):
    """Signed distance from (px, py) to a rounded rectangle (negative inside)."""
    qx = abs(px - cx) - (hw - r)
    qy = abs(py - cy) - (hh - r)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def circle(px, py, cx, cy, r):
    return math.hypot(px - cx, py - cy) - r


def coverage(distance, pixel):
    """Anti-aliased coverage of a shape, one pixel wide at its edge."""
    return clamp(0.5 - distance / pixel)


def over(dst, colour, alpha):
    """Composites straight-alpha `colour` with opacity `alpha` over dst (r, g, b, a)."""
    if alpha <= 0:
        return dst
    r, g, b, a = dst
    out_a = alpha + a * (1 - alpha)
    if out_a <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    k = a * (1 - alpha)
    return (
        (colour[0] * alpha + r * k) / out_a,
        (colour[1] * alpha + g * k) / out_a,
        (colour[2] * alpha + b * k) / out_a,
        out_a,
    )


def drive_pixel(u, v, pixel):
    """Colour (r, g, b, a), 0..255 and 0..1, of the drive glyph at unit point (u, v)."""
    px = (0.0, 0.0, 0.0, 0.0)
    body = (0.5, 0.49, 0.44, 0.27, 0.075)

    # Soft shadow under the case.
    shadow = rounded_rect(u, v, 0.52, 0.53, 0.43, 0.27, 0.09)
    px = over(px, (0, 0, 0), 0.30 * (1 - smoothstep(-0.02, 0.05, shadow)))

    # Brushed-metal case: a light top fading into a darker lower edge.
    d_body = rounded_rect(u, v, *body)
    t = clamp((v - 0.22) / 0.54)
    metal = mix((236, 239, 244), (146, 154, 166), t)
    metal = mix(metal, (255, 255, 255), 0.35 * (1 - smoothstep(0.0, 0.05, v - 0.22)))
    px = over(px, metal, coverage(d_body, pixel))

    # Dark front panel across the bottom of the case.
    panel = max(d_body + 0.03, 0.585 - v)
    panel_colour = mix((62, 70, 84), (34, 39, 48), clamp((v - 0.585) / 0.15))
    px = over(px, panel_colour, coverage(panel, pixel))

    # Ventilation grooves on the left of the panel.
    for k in range(3):
        groove = rounded_rect(u, v, 0.27, 0.625 + 0.04 * k, 0.15, 0.008, 0.008)
        px = over(px, (22, 25, 31), 0.9 * coverage(groove, pixel))

    # Activity light, green with a bright core.
    led = circle(u, v, 0.80, 0.665, 0.038)
    glow = circle(u, v, 0.80, 0.665, 0.075)
    px = over(px, (80, 230, 120), 0.35 * (1 - smoothstep(-0.03, 0.02, glow)) * (panel < 0))
    px = over(px, (40, 200, 90), coverage(led, pixel))
    px = over(px, (200, 255, 210), 0.8 * coverage(circle(u, v, 0.79, 0.655, 0.014), pixel))

    # Label recess on the upper face.
    label = rounded_rect(u, v, 0.37, 0.39, 0.20, 0.09, 0.03)
    px = over(px, (205, 211, 220), coverage(label, pixel))
    px = over(px, (120, 128, 140), 0.6 * coverage(abs(label) - 0.004, pixel))

    # Fine outline of the case.
    px = over(px, (70, 78, 92), 0.85 * coverage(abs(d_body) - max(0.006, pixel * 0.5), pixel))
    return px


def draw_icon_image(size):
    """Returns (bgra rows bottom-up, mask rows bottom-up) for one icon size."""
    pixel = 1.0 / size
    colour_bytes = bytearray()
    mask_bytes = bytearray()
    mask_stride = (size + 31) // 32 * 4
    for y in reversed(range(size)):
        mask_row = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = drive_pixel((x + 0.5) * pixel, (y + 0.5) * pixel, pixel)
            alpha = int(round(a * 255))
            if alpha == 0:
                r = g = b = 0
                mask_row[x // 8] |= 0x80 >> (x % 8)
            colour_bytes += bytes((int(round(b)), int(round(g)), int(round(r)), alpha))
        mask_bytes += mask_row
    return bytes(colour_bytes), bytes(mask_bytes)


ICON_SIZES = (16, 24, 32, 48, 64, 96, 128, 192, 256)


def icon_file():
    images = []
    for size in ICON_SIZES:
        colour, mask = draw_icon_image(size)
        header = struct.pack(
            "<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0
        )
        images.append(header + colour + mask)
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(ICON_SIZES, images):
        side = 0 if size == 256 else size  # 256 is written as 0
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


class Grain:
    """A small deterministic noise source, so the banner is the same every run."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x7FFFFFFF - 0.5


def ridge(x, seed):
    """A hill line: sine octaves with fixed pseudo-random phases, roughly in -1..1."""
    grain = Grain(seed)
    total, amplitude, frequency = 0.0, 1.0, 2.0
    for _ in range(6):
        total += amplitude * math.sin(frequency * x + grain.next() * 2 * math.pi)
        amplitude *= 0.5
        frequency *= 2.1
    return total


def banner_pixel(x, y, w, h, grain):
    u, v = x / w, y / h
    # Sky: deep blue overhead, warm towards the horizon, a glow round the sun.
    sky = mix((24, 52, 104), (120, 132, 170), smoothstep(0.0, 0.55, v))
    sky = mix(sky, (246, 178, 112), smoothstep(0.35, 0.72, v))
    sun = math.hypot((u - 0.70) * w / h, v - 0.60)
    sky = mix(sky, (255, 236, 196), 0.85 * math.exp(-sun * sun * 18))
    sky = mix(sky, (255, 250, 236), clamp(1.2 - sun * 22))
    colour = sky

    # Three ranges of hills, each nearer one darker, sharper and less hazy.
    ranges = (
        (0.62, 0.05, 11, (150, 128, 150)),
        (0.72, 0.07, 23, (86, 72, 104)),
        (0.86, 0.09, 37, (30, 28, 44)),
    )
    for base, height, seed, tone in ranges:
        top = base - height * ridge(u * 2 * math.pi, seed)
        depth = (v - top) * h
        if depth > -0.5:
            shade = mix(tone, (tone[0] * 0.6, tone[1] * 0.6, tone[2] * 0.7), clamp(depth / h * 2))
            colour = mix(colour, shade, clamp(depth + 0.5))
        # Mist gathers in the valleys just above each range.
        colour = mix(colour, (232, 196, 180), 0.18 * math.exp(-((v - top + 0.04) * 14) ** 2))

    # Lens vignette and film grain.
    vignette = 1 - 0.28 * (((u - 0.5) * 1.6) ** 2 + ((v - 0.45) * 1.1) ** 2)
    noise = grain.next() * 7
    return tuple(clamp(c * vignette + noise, 0, 255) for c in colour)


def banner_file(w=442, h=75):
    stride = (w * 3 + 3) // 4 * 4
    grain = Grain(2016)
    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            r, g, b = banner_pixel(x + 0.5, y + 0.5, w, h, grain)
            row += bytes((int(round(b)), int(round(g)), int(round(r))))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    pixels = b"".join(reversed(rows))  # bottom-up
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 11811, 11811, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


# ---------------------------------------------------------------- agreement

LINK = re.compile(r"\[([^\]]+)\]\(([^)]+)\)")


def rtf_text(text):
    """Escapes plain text for RTF: code page 1252 bytes as \\'hh, the rest as \\uN?."""
    out = []
    for ch in text:
        if ch in "\\{}":
            out.append("\\" + ch)
        elif " " <= ch <= "~":
            out.append(ch)
        else:
            try:
                out.append("\\'%02x" % ch.encode("cp1252")[0])
            except UnicodeEncodeError:
                code = ord(ch)
                out.append("\\u%d?" % (code - 65536 if code > 32767 else code))
    return "".join(out)


def rtf_link(label, address):
    """A hyperlink field. Leading words and punctuation of the label stay plain;
    the address itself is drawn as a link."""
    lead, shown, tail = re.match(r"^(.*?)((?:www\.|https?://)\S*?)(\W*)$", label).groups()
    return '{\\field{\\*\\fldinst{HYPERLINK "%s"}}{\\fldrslt{%s{\\cs10\\ul\\cf2 %s}%s}}}' % (
        address,
        rtf_text(lead),
        rtf_text(shown),
        rtf_text(tail),
    )


def rtf_inline(text):
    """Text with [label](address) links turned into hyperlink fields."""
    out, last = [], 0
    for m in LINK.finditer(text):
        out.append(rtf_text(text[last : m.start()]))
        out.append(rtf_link(m.group(1), m.group(2)))
        last = m.end()
    out.append(rtf_text(text[last:]))
    return "".join(out)


def parse_agreement(source):
    """Returns (document information, blocks) where a block is (kind, text)."""
    info, blocks, lines = {}, [], []
    in_header = True

    def flush():
        if lines:
            kind, first = lines[0]
            blocks.append((kind, " ".join([first] + [t for _, t in lines[1:]])))
            lines.clear()

    for raw in source.splitlines():
        line = raw.strip()
        if line.startswith("%"):
            continue
        if in_header:
            m = re.match(r"(\w+):\s*(.*)$", line)
            if m:
                info[m.group(1)] = m.group(2)
                continue
            in_header = False
        if not line:
            flush()
        elif line.startswith("## "):
            flush()
            blocks.append(("heading", line[3:]))
        elif line.startswith("# "):
            flush()
            blocks.append(("title", line[2:]))
        elif line.startswith("* "):
            flush()
            lines.append(("bullet", line[2:]))
        else:
            lines.append(("body", line) if not lines else (lines[0][0], line))
    flush()
    return info, blocks


PARAGRAPH = {
    "title": "\\pard\\plain\\s1\\qc\\sb120\\sa240\\keepn\\b\\f0\\fs32\\cf3 ",
    "heading": "\\pard\\plain\\s2\\sb240\\sa80\\keepn\\b\\f0\\fs22\\cf3 ",
    "body": "\\pard\\plain\\s0\\sa120\\sl264\\slmult1\\f0\\fs20 ",
    "bullet": (
        "\\pard\\plain\\s3\\fi-360\\li720\\sa60\\ls1\\ilvl0\\f0\\fs20"
        "{\\pntext\\f0\\'95\\tab}{\\*\\pn\\pnlvlblt\\pnf0\\pnindent360{\\pntxtb\\'95}}"
        " "
    ),
}

RTF_HEAD = [
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\\deflang1033\\deflangfe1033",
    "{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset0 Arial;}"
    "{\\f1\\froman\\fprq2\\fcharset0 Times New Roman;}}",
    "{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green70\\blue170;\\red24\\green48\\blue88;}",
    "{\\stylesheet{\\s0\\sa120\\f0\\fs20 Normal;}"
    "{\\s1\\qc\\sb120\\sa240\\keepn\\b\\f0\\fs32\\cf3\\sbasedon0\\snext0 Title;}"
    "{\\s2\\sb240\\sa80\\keepn\\b\\f0\\fs22\\cf3\\sbasedon0\\snext0 heading 2;}"
    "{\\s3\\fi-360\\li720\\sa60\\f0\\fs20\\sbasedon0\\snext3 List Bullet;}"
    "{\\*\\cs10\\ul\\cf2 Hyperlink;}}",
    "{\\*\\listtable{\\list\\listtemplateid1\\listsimple{\\listlevel\\levelnfc23\\leveljc0"
    "\\levelfollow0\\levelstartat1\\levelspace0\\levelindent0{\\leveltext\\'01\\'95;}"
    "{\\levelnumbers;}\\f0\\fi-360\\li720}\\listid1}}",
    "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}",
]


def rtf_info(info):
    created = datetime.datetime.strptime(info["created"], "%Y-%m-%d %H:%M")
    parts = ["{\\info"]
    for key in ("title", "subject", "author", "company"):
        parts.append("{\\%s %s}" % (key, rtf_text(info[key])))
    parts.append(
        "{\\creatim\\yr%d\\mo%d\\dy%d\\hr%d\\min%d}"
        % (created.year, created.month, created.day, created.hour, created.minute)
    )
    parts.append("}")
    return "".join(parts)


def wrap(line, width=100):
    """Breaks a long RTF line after spaces outside groups; readers ignore the
    line breaks."""
    out, start, depth, cut = [], 0, 0, -1
    for i, ch in enumerate(line):
        if ch == "{" and line[i - 1 : i] != "\\":
            depth += 1
        elif ch == "}" and line[i - 1 : i] != "\\":
            depth -= 1
        elif ch == " " and depth == 0:
            cut = i
        if i - start >= width and cut > start:
            out.append(line[start : cut + 1])
            start = cut + 1
    out.append(line[start:])
    return out


def agreement_rtf(source):
    info, blocks = parse_agreement(source)
    lines = RTF_HEAD + [rtf_info(info)]
    lines.append("\\viewkind4\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440")
    for kind, text in blocks:
        lines += wrap(PARAGRAPH[kind] + rtf_inline(text) + "\\par")
    lines.append("}")
    document = "\r\n".join(lines)
    links = document.count("HYPERLINK")
    if links != 4:
        raise SystemExit("eula.txt must hold four links, found %d" % links)
    return document.encode("ascii")


# ---------------------------------------------------------------- manifest

MANIFEST = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
    '<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">'
    '<assemblyIdentity version="1.0.0.1" processorArchitecture="x86" '
    'name="Corvane.Tools.Vestrel" type="win32"/>'
    "<description>Internal/external Corvane drive serial number detector.</description>"
    "<dependency><dependentAssembly>"
    '<assemblyIdentity type="Win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0" '
    'processorArchitecture="X86" publicKeyToken="6595b64144ccf1df" language="*"/>'
    "</dependentAssembly></dependency>"
    '<trustInfo xmlns="urn:schemas-microsoft-com:asm.v2"><security><requestedPrivileges>'
    '<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>'
    "</requestedPrivileges></security></trustInfo>"
    "</assembly>"
)


# The 64-bit program's manifest differs only in the architecture it names.
MANIFEST_64 = MANIFEST.replace('processorArchitecture="x86"', 'processorArchitecture="amd64"').replace(
    'processorArchitecture="X86"', 'processorArchitecture="amd64"'
)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
    print("%-17s %7d bytes" % (name, len(data)))


def main():
    with open(os.path.join(HERE, "eula.txt"), encoding="utf-8") as f:
        write("eula.rtf", agreement_rtf(f.read()))
    write("vestrel.manifest", b"\xef\xbb\xbf" + MANIFEST.encode("utf-8"))
    write("vestrel64.manifest", b"\xef\xbb\xbf" + MANIFEST_64.encode("utf-8"))
    write("banner.bmp", banner_file())
    write("vestrel.ico", icon_file())


if __name__ == "__main__":
    main()
