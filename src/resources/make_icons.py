#!/usr/bin/env python3
"""Writes the program's icons (flat SVG, 24 x 24) and icons.qrc. Run it after changing a shape."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "icons")

BLUE, DBLUE = "#2f6fd0", "#1d4a91"
GREEN, DGREEN = "#2fa84f", "#1d6e33"
RED, DRED = "#d23b3b", "#8e2222"
AMBER, DAMBER = "#f0a020", "#a96b0a"
GREY, DGREY = "#9aa0a6", "#5f6368"
PAPER, INK = "#ffffff", "#3c4043"


def svg(body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24" viewBox="0 0 24 24">'
            + body + "</svg>\n")


def page(fill=PAPER, stroke=INK):
    return (f'<path d="M5 2.5h9.5l4.5 4.5v14.5h-14z" fill="{fill}" stroke="{stroke}" '
            'stroke-width="1.2" stroke-linejoin="round"/>'
            f'<path d="M14.5 2.5v4.5h4.5" fill="none" stroke="{stroke}" stroke-width="1.2"/>')


def car(c, d):
    return (f'<path d="M2.5 15.5v-3l2.5-1 2.5-4h9l3 4 2 1v3z" fill="{c}" stroke="{d}" '
            'stroke-width="1.2" stroke-linejoin="round"/>'
            '<path d="M8.3 8.5h3.4v3h-5.2zM13 8.5h3l2 3h-5z" fill="#dbe8fb"/>'
            f'<circle cx="7" cy="16" r="2.3" fill="{INK}"/><circle cx="17" cy="16" r="2.3" fill="{INK}"/>'
            '<circle cx="7" cy="16" r="0.9" fill="#ccc"/><circle cx="17" cy="16" r="0.9" fill="#ccc"/>')


def disk(c, d):
    return (f'<path d="M3.5 3.5h14l3 3v14h-17z" fill="{c}" stroke="{d}" stroke-width="1.2" '
            'stroke-linejoin="round"/><rect x="7" y="3.5" width="9" height="5.5" fill="#fff"/>'
            '<rect x="13" y="4.5" width="2" height="3.5" fill="' + d + '"/>'
            '<rect x="6.5" y="13" width="11" height="7.5" rx="0.5" fill="#e8eef7"/>')


def badge(x, y, body):
    return f'<g transform="translate({x} {y}) scale(0.5)">{body}</g>'


def play(c=GREEN, d=DGREEN):
    return f'<path d="M7 4.5l13 7.5-13 7.5z" fill="{c}" stroke="{d}" stroke-width="1.2" stroke-linejoin="round"/>'


def gear(c, d):
    import math
    pts = []
    for i in range(16):
        a = math.pi * 2 * i / 16
        r = 10 if i % 2 == 0 else 7.6
        pts.append(f"{12 + r * math.cos(a):.2f},{12 + r * math.sin(a):.2f}")
    return (f'<polygon points="{" ".join(pts)}" fill="{c}" stroke="{d}" stroke-width="1" '
            'stroke-linejoin="round"/><circle cx="12" cy="12" r="3.2" fill="#fff" '
            f'stroke="{d}" stroke-width="1"/>')


def chart(c, d):
    return ('<rect x="2.5" y="3.5" width="19" height="17" rx="1.5" fill="#fff" stroke="' + d +
            '" stroke-width="1.2"/><path d="M5 7v11h15" fill="none" stroke="#b0b4b8" '
            'stroke-width="1"/><path d="M5.5 15l3.5-4 3 2.5 3.5-6 3.5 3.5" fill="none" '
            f'stroke="{c}" stroke-width="2" stroke-linejoin="round" stroke-linecap="round"/>')


def gauge(c, d):
    return (f'<path d="M2.5 16a9.5 9.5 0 0 1 19 0z" fill="#fff" stroke="{d}" stroke-width="1.2"/>'
            '<path d="M5 16a7 7 0 0 1 1.2-3.9M8 9.9a7 7 0 0 1 4-1.4M16 9.9a7 7 0 0 1 2.8 3.2" '
            f'fill="none" stroke="{d}" stroke-width="1.4"/><path d="M12 16l5-6" stroke="{c}" '
            f'stroke-width="2.2" stroke-linecap="round"/><circle cx="12" cy="16" r="1.8" fill="{d}"/>'
            '<rect x="2.5" y="17.5" width="19" height="3" rx="1" fill="' + d + '"/>')


def listing(c, d):
    rows = "".join(
        f'<rect x="3" y="{y}" width="3" height="3" fill="{c}"/>'
        f'<rect x="8" y="{y + 0.5}" width="13" height="2" fill="{d}"/>' for y in (4, 9.5, 15))
    return rows


def tree(c, d):
    return (f'<rect x="3" y="3" width="7" height="5" rx="1" fill="{c}" stroke="{d}"/>'
            f'<path d="M6.5 8v10.5h5M6.5 13h5" fill="none" stroke="{d}" stroke-width="1.3"/>'
            f'<rect x="11.5" y="10.5" width="9" height="5" rx="1" fill="#fff" stroke="{d}"/>'
            f'<rect x="11.5" y="16" width="9" height="5" rx="1" fill="#fff" stroke="{d}"/>')


def warn(c, d):
    return (f'<path d="M12 2.8l10 17.7H2z" fill="{c}" stroke="{d}" stroke-width="1.2" '
            'stroke-linejoin="round"/><rect x="11" y="8.5" width="2" height="6.5" fill="#fff"/>'
            '<rect x="11" y="16.5" width="2" height="2" fill="#fff"/>')


def flag(c, d):
    return (f'<path d="M5 21V3" stroke="{INK}" stroke-width="1.6" stroke-linecap="round"/>'
            f'<path d="M5.8 3.8c4-2 7 2 13 0v9c-6 2-9-2-13 0z" fill="{c}" stroke="{d}" '
            'stroke-width="1.1" stroke-linejoin="round"/>')


def led(c, d, mark=""):
    return (f'<circle cx="12" cy="12" r="9" fill="{c}" stroke="{d}" stroke-width="1.4"/>'
            '<ellipse cx="9.5" cy="8.5" rx="3.5" ry="2.2" fill="#fff" opacity="0.45"/>' + mark)


def magnifier(c=BLUE, d=DBLUE):
    return (f'<circle cx="10" cy="10" r="6" fill="#eaf2fd" stroke="{d}" stroke-width="2"/>'
            f'<path d="M14.5 14.5l6 6" stroke="{c}" stroke-width="3" stroke-linecap="round"/>')


def waves(c, d):
    return (f'<path d="M4 9a8 8 0 0 1 0 6M7.5 7a11 11 0 0 1 0 10M20 9a8 8 0 0 0 0 6M16.5 7a11 '
            f'11 0 0 0 0 10" fill="none" stroke="{c}" stroke-width="1.8" stroke-linecap="round"/>'
            f'<circle cx="12" cy="12" r="2.5" fill="{d}"/>')


ICONS = {
    "new": page() + '<path d="M9 13h6M12 10v6" stroke="' + GREEN + '" stroke-width="2.2" stroke-linecap="round"/>',
    "open": ('<path d="M2.5 6.5v13h16l3-9h-15l-3 9" fill="#ffd56b" stroke="' + DAMBER + '" stroke-width="1.2" stroke-linejoin="round"/>'
             '<path d="M2.5 6.5v-2h6l1.5 2h7v4" fill="#f5c242" stroke="' + DAMBER + '" stroke-width="1.2" stroke-linejoin="round"/>'),
    "save": disk(BLUE, DBLUE),
    "print": ('<rect x="6" y="2.5" width="12" height="7" fill="#fff" stroke="' + INK + '" stroke-width="1.2"/>'
              '<rect x="2.5" y="8.5" width="19" height="9" rx="1.5" fill="' + GREY + '" stroke="' + DGREY + '" stroke-width="1.2"/>'
              '<rect x="6" y="14" width="12" height="7.5" fill="#fff" stroke="' + INK + '" stroke-width="1.2"/>'
              '<path d="M8 17h8M8 19.2h6" stroke="' + GREY + '" stroke-width="1"/><circle cx="18.5" cy="11" r="1" fill="' + GREEN + '"/>'),
    "select_vehicle": car(BLUE, DBLUE) + '<path d="M14 2.5h7v5h-7z" fill="#ffd56b" stroke="' + DAMBER + '"/>',
    "vehicle": car(BLUE, DBLUE) + badge(12, 0, '<path d="M3 21l2-6 10-10 4 4-10 10z" fill="' + AMBER + '" stroke="' + DAMBER + '" stroke-width="1.6"/>'),
    "save_vehicle": car(BLUE, DBLUE) + badge(12, 0, disk(GREEN, DGREEN)),
    "scale_codes": ('<rect x="2.5" y="7" width="19" height="10" rx="1.5" fill="#ffe9a8" stroke="' + DAMBER + '" stroke-width="1.2"/>'
                    '<path d="M5.5 7v4M8.5 7v2.5M11.5 7v4M14.5 7v2.5M17.5 7v4" stroke="' + DAMBER + '" stroke-width="1.2"/>'),
    "properties": gear(GREY, DGREY),
    "start": play(),
    "play_back": play(BLUE, DBLUE) + '<path d="M3 4.5v15" stroke="' + DBLUE + '" stroke-width="2.4"/>',
    "log_data": ('<circle cx="12" cy="12" r="8.5" fill="' + RED + '" stroke="' + DRED + '" stroke-width="1.4"/>'
                 '<circle cx="12" cy="12" r="3.5" fill="#fff" opacity="0.85"/>'),
    "pause": '<rect x="5.5" y="4.5" width="4.5" height="15" rx="1" fill="' + AMBER + '" stroke="' + DAMBER + '"/><rect x="14" y="4.5" width="4.5" height="15" rx="1" fill="' + AMBER + '" stroke="' + DAMBER + '"/>',
    "stop": '<rect x="5" y="5" width="14" height="14" rx="1.5" fill="' + RED + '" stroke="' + DRED + '" stroke-width="1.2"/>',
    "replot": chart(BLUE, DBLUE) + badge(11, 11, '<path d="M19 12a7 7 0 1 1-2.1-5" fill="none" stroke="' + GREEN + '" stroke-width="3.4"/><path d="M20 2.5v6.5h-6.5z" fill="' + GREEN + '"/>'),
    "examine": chart(BLUE, DBLUE) + badge(11, 10, magnifier()),
    "listen": waves(GREEN, DGREEN),
    "auto_detect": waves(BLUE, DBLUE) + badge(12, 12, magnifier(AMBER, DAMBER)),
    "help": '<circle cx="12" cy="12" r="9.5" fill="' + BLUE + '" stroke="' + DBLUE + '" stroke-width="1.2"/><path d="M9 9.3a3 3 0 1 1 4.2 2.7c-.9.4-1.2 1-1.2 2v.6" fill="none" stroke="#fff" stroke-width="2.2" stroke-linecap="round"/><circle cx="12" cy="17.6" r="1.3" fill="#fff"/>',
    "about": '<circle cx="12" cy="12" r="9.5" fill="' + BLUE + '" stroke="' + DBLUE + '" stroke-width="1.2"/><rect x="10.8" y="10" width="2.4" height="8" rx="1" fill="#fff"/><circle cx="12" cy="6.8" r="1.5" fill="#fff"/>',
    "export": page() + '<path d="M8 14h8m-3-3l3 3-3 3" fill="none" stroke="' + GREEN + '" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>',
    "exit": '<path d="M4 3.5h9v17H4z" fill="#eee" stroke="' + INK + '" stroke-width="1.2"/><path d="M11 12h10m-3.5-3.5L21 12l-3.5 3.5" fill="none" stroke="' + RED + '" stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"/>',
    # macro tree and verdicts
    "macro": ('<rect x="3" y="3.5" width="18" height="17" rx="2" fill="' + BLUE + '" stroke="' + DBLUE + '" stroke-width="1.2"/>'
              '<path d="M7 8h10M7 12h10M7 16h6" stroke="#fff" stroke-width="1.8" stroke-linecap="round"/>'),
    "macro_item": '<path d="M6 5l12 7-12 7z" fill="' + GREEN + '" stroke="' + DGREEN + '" stroke-width="1.2" stroke-linejoin="round"/>',
    "macro_item_deleted": '<path d="M6 6l12 12M18 6L6 18" stroke="' + RED + '" stroke-width="3" stroke-linecap="round"/>',
    "verdict_ok": led("#31d158", DGREEN, '<path d="M7.5 12.3l3 3 6-6.5" fill="none" stroke="#fff" stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"/>'),
    "verdict_failed": led("#ff4a4a", DRED, '<path d="M8.5 8.5l7 7M15.5 8.5l-7 7" stroke="#fff" stroke-width="2.2" stroke-linecap="round"/>'),
    "verdict_unknown": led("#8a8f94", "#4a4e52"),
}

TABS = {
    "macros": tree,
    "aldl": listing,
    "dashboard": gauge,
    "charts": chart,
    "dtc": warn,
    "flags": flag,
}
TAB_COLOURS = {"macros": (BLUE, DBLUE), "aldl": (BLUE, DBLUE), "dashboard": (RED, DRED),
               "charts": (GREEN, DGREEN), "dtc": (GREEN, DGREEN), "flags": (AMBER, DAMBER)}
for name, shape in TABS.items():
    ICONS[f"tab_{name}_on"] = shape(*TAB_COLOURS[name])
    ICONS[f"tab_{name}_off"] = shape("#b8bcc0", "#7d8287")
ICONS["tab_dtc_set"] = warn(RED, DRED)

# Attribute types 0..5, DTC and flag states, for the list views.
ICONS["atype_scaled"] = gauge(BLUE, DBLUE)
ICONS["atype_lookup"] = ('<rect x="3" y="3" width="18" height="18" rx="1.5" fill="#fff" stroke="' + DBLUE + '" stroke-width="1.2"/>'
                         '<path d="M3 9h18M3 15h18M11 3v18" stroke="' + BLUE + '" stroke-width="1.2"/>')
ICONS["atype_raw"] = ('<rect x="2.5" y="6" width="19" height="12" rx="2" fill="' + GREY + '" stroke="' + DGREY + '" stroke-width="1.2"/>'
                      '<text x="12" y="15.5" font-family="DejaVu Sans Mono,monospace" font-size="8" font-weight="bold" text-anchor="middle" fill="#fff">$FF</text>')
ICONS["atype_dtc"] = warn(AMBER, DAMBER)
ICONS["atype_flags"] = flag(AMBER, DAMBER)
ICONS["atype_enum"] = listing(GREEN, DGREEN)
ICONS["dtc_clear"] = led("#31d158", DGREEN)
ICONS["dtc_set"] = led("#ff4a4a", DRED)
ICONS["flag_0"] = flag("#c8ccd0", "#7d8287")
ICONS["flag_1"] = flag(GREEN, DGREEN)

LOGO = ('<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">'
        '<rect x="4" y="4" width="120" height="120" rx="22" fill="' + DBLUE + '"/>'
        '<path d="M24 84a40 40 0 0 1 80 0" fill="none" stroke="#fff" stroke-width="9" stroke-linecap="round"/>'
        '<path d="M64 84l22-26" stroke="' + AMBER + '" stroke-width="8" stroke-linecap="round"/>'
        '<circle cx="64" cy="84" r="8" fill="#fff"/>'
        '<text x="64" y="114" font-family="DejaVu Sans,sans-serif" font-size="19" font-weight="bold" text-anchor="middle" fill="#fff">V4</text>'
        "</svg>\n")

# Below 48 pixels the "V4" would be a smudge: the small program icon is the gauge alone, bolder.
LOGO_SMALL = ('<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">'
              '<rect x="4" y="4" width="120" height="120" rx="22" fill="' + DBLUE + '"/>'
              '<path d="M22 94a42 42 0 0 1 84 0" fill="none" stroke="#fff" stroke-width="16" stroke-linecap="round"/>'
              '<path d="M64 94l26-32" stroke="' + AMBER + '" stroke-width="14" stroke-linecap="round"/>'
              '<circle cx="64" cy="94" r="13" fill="#fff"/>'
              "</svg>\n")

os.makedirs(OUT, exist_ok=True)
names = []
for name, body in sorted(ICONS.items()):
    with open(os.path.join(OUT, name + ".svg"), "w") as f:
        f.write(svg(body))
    names.append(name + ".svg")
with open(os.path.join(OUT, "logo.svg"), "w") as f:
    f.write(LOGO)
names.append("logo.svg")
with open(os.path.join(HERE, "icons.qrc"), "w") as f:
    f.write("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/\">\n")
    for n in sorted(names):
        f.write(f"    <file>icons/{n}</file>\n")
    f.write("  </qresource>\n</RCC>\n")
print(len(names), "icons")


def cairo_libraries():
    """The system's librsvg and cairo through ctypes, with the signatures used here."""
    import ctypes
    rsvg = ctypes.CDLL("librsvg-2.so.2")
    cairo = ctypes.CDLL("libcairo.so.2")
    rsvg.rsvg_handle_new_from_data.restype = ctypes.c_void_p
    rsvg.rsvg_handle_new_from_data.argtypes = [ctypes.c_char_p, ctypes.c_size_t, ctypes.c_void_p]
    rsvg.rsvg_handle_render_cairo.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    cairo.cairo_image_surface_create.restype = ctypes.c_void_p
    cairo.cairo_create.restype = ctypes.c_void_p
    cairo.cairo_create.argtypes = [ctypes.c_void_p]
    cairo.cairo_scale.argtypes = [ctypes.c_void_p, ctypes.c_double, ctypes.c_double]
    cairo.cairo_surface_flush.argtypes = [ctypes.c_void_p]
    cairo.cairo_surface_write_to_png.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
    cairo.cairo_image_surface_get_data.restype = ctypes.POINTER(ctypes.c_ubyte)
    cairo.cairo_image_surface_get_data.argtypes = [ctypes.c_void_p]
    cairo.cairo_image_surface_get_stride.argtypes = [ctypes.c_void_p]
    cairo.cairo_destroy.argtypes = [ctypes.c_void_p]
    cairo.cairo_surface_destroy.argtypes = [ctypes.c_void_p]
    return rsvg, cairo


def render(data, width, height, scale, use):
    """Renders SVG text onto a width x height ARGB32 cairo surface scaled by scale, hands the
    surface to use(cairo, surface) and frees it."""
    rsvg, cairo = cairo_libraries()
    handle = rsvg.rsvg_handle_new_from_data(data, len(data), None)
    surface = cairo.cairo_image_surface_create(0, width, height)  # ARGB32
    cr = cairo.cairo_create(surface)
    cairo.cairo_scale(cr, scale, scale)
    rsvg.rsvg_handle_render_cairo(handle, cr)
    cairo.cairo_surface_flush(surface)
    use(cairo, surface)
    cairo.cairo_destroy(cr)
    cairo.cairo_surface_destroy(surface)


def render_png(data, px, viewbox, path):
    """Rasterises SVG text to a px x px PNG."""
    render(data, px, px, px / viewbox,
           lambda cairo, surface: cairo.cairo_surface_write_to_png(surface, path.encode()))


def write_program_icons():
    """The desktop entry's icon in the hicolor theme layout: scalable SVG and PNG sizes."""
    root = os.path.join(HERE, "..", "..", "data", "icons", "hicolor")
    scalable = os.path.join(root, "scalable", "apps")
    os.makedirs(scalable, exist_ok=True)
    with open(os.path.join(scalable, "quorvin.svg"), "w") as f:
        f.write(LOGO)
    for px in (16, 24, 32, 48, 64, 128, 256):
        folder = os.path.join(root, f"{px}x{px}", "apps")
        os.makedirs(folder, exist_ok=True)
        body = LOGO_SMALL if px < 48 else LOGO
        render_png(body.encode(), px, 128, os.path.join(folder, "quorvin.png"))


# The sample vehicle's picture for the vehicle editor: a side view of a 1990s V8 coupe.
VEHICLE_PICTURE = (
    '<svg xmlns="http://www.w3.org/2000/svg" width="320" height="160" viewBox="0 0 320 160">'
    '<rect width="320" height="160" fill="#eef2f7"/>'
    '<rect y="128" width="320" height="32" fill="#c9ced6"/>'
    '<path d="M18 112 L22 92 Q26 84 40 82 L92 76 L128 50 Q136 44 150 44 L214 44 Q226 44 234 52 '
    'L258 76 L290 82 Q302 85 304 96 L306 112 Q306 118 298 118 L26 118 Q18 118 18 112 Z" '
    'fill="' + RED + '" stroke="' + DRED + '" stroke-width="3" stroke-linejoin="round"/>'
    '<path d="M104 78 L134 54 Q140 50 150 50 L176 50 L176 78 Z" fill="#dbe8fb" stroke="' + DRED + '" stroke-width="2"/>'
    '<path d="M184 50 L212 50 Q222 50 228 56 L248 78 L184 78 Z" fill="#dbe8fb" stroke="' + DRED + '" stroke-width="2"/>'
    '<path d="M24 98 L300 98" stroke="' + DRED + '" stroke-width="2"/>'
    '<rect x="286" y="88" width="14" height="6" rx="2" fill="' + AMBER + '"/>'
    '<rect x="20" y="88" width="10" height="6" rx="2" fill="#ffd0d0"/>'
    + ''.join(f'<circle cx="{x}" cy="118" r="22" fill="{INK}"/><circle cx="{x}" cy="118" r="11" '
              'fill="#b8bec6"/><circle cx="' + str(x) + '" cy="118" r="4" fill="' + DGREY + '"/>'
              for x in (76, 250))
    + '<text x="160" y="150" font-family="DejaVu Sans,sans-serif" font-size="13" '
    'text-anchor="middle" fill="' + INK + '">SIM-V8: simulated engine module ($F4)</text>'
    "</svg>\n")


def write_vehicle_picture():
    """Renders the sample vehicle's picture to data/vehicles/SIM-V8.bmp (24-bit, as BMP readers
    everywhere expect)."""
    import struct
    width, height = 320, 160
    rows = []

    def bmp_rows(cairo, surface):
        pixels = cairo.cairo_image_surface_get_data(surface)
        stride = cairo.cairo_image_surface_get_stride(surface)
        padding = b"\0" * (((width * 3 + 3) & ~3) - width * 3)
        for y in range(height - 1, -1, -1):  # BMP rows run bottom up
            row = bytearray()
            for x in range(width):
                at = y * stride + x * 4  # blue, green, red, alpha in memory
                row += bytes((pixels[at], pixels[at + 1], pixels[at + 2]))
            rows.append(bytes(row) + padding)

    # The picture's background is opaque, so the ARGB32 pixels are plain colours.
    render(VEHICLE_PICTURE.encode(), width, height, 1.0, bmp_rows)
    body = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, "..", "..", "data", "vehicles", "SIM-V8.bmp"), "wb") as f:
        f.write(header + info + body)


def write_pngs(size=48):
    """Rasterises every SVG to icons/<name>.png (Qt reads PNG without an extra plugin)."""
    for name in sorted(os.listdir(OUT)):
        if not name.endswith(".svg"):
            continue
        data = open(os.path.join(OUT, name), "rb").read()
        px, viewbox = (256, 128) if name == "logo.svg" else (size, 24)
        render_png(data, px, viewbox, os.path.join(OUT, name[:-4] + ".png"))


write_pngs()
write_program_icons()
write_vehicle_picture()
with open(os.path.join(HERE, "icons.qrc"), "w") as f:
    f.write("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/\">\n")
    for n in sorted(names):
        f.write(f"    <file>icons/{n[:-4]}.png</file>\n")
    f.write("  </qresource>\n</RCC>\n")
