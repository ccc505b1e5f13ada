#!/usr/bin/env python3
"""Writes the program's pictures as SVG files into this folder (one file per picture,
named as the program asks for it, in lower case). They are drawn here, in one palette, so
that they stay consistent: edit a drawing below and run the script again.

Buttons are drawn on a 16 x 16 grid, tool pictures on 40 x 40, the roll picture and the
application icon on 64 x 64, the splash on 480 x 280."""
import os

INK = "#3b4046"      # lines and glyphs
SOFT = "#8a9096"     # secondary lines
PAPER = "#f7f7f5"    # fills inside outlines
ACCENT = "#2f7bd0"   # the program's blue
WARM = "#e5a12a"     # highlights: stars, locks, lights
CLAY = "#c9b8a6"     # sculpted surfaces
RED = "#c94a3c"

HERE = os.path.dirname(os.path.abspath(__file__))


def svg(name, size, body):
    w, h = size if isinstance(size, tuple) else (size, size)
    text = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">\n'
            f'{body.strip()}\n</svg>\n')
    with open(os.path.join(HERE, name + ".svg"), "w") as out:
        out.write(text)


def stroke(d, colour=INK, width=1.5, fill="none", extra=""):
    return (f'<path d="{d}" fill="{fill}" stroke="{colour}" stroke-width="{width}" '
            f'stroke-linecap="round" stroke-linejoin="round" {extra}/>')


def solid(d, colour=INK, extra=""):
    return f'<path d="{d}" fill="{colour}" {extra}/>'


# Fold arrows, menu and small signs -----------------------------------------------------------
svg("triopen", 16, solid("M3.5 5.5 H12.5 L8 11.5 Z"))
svg("triclose", 16, solid("M5.5 3.5 V12.5 L11.5 8 Z"))
svg("menutriangle", 16, stroke("M3 4 H13 M3 7.5 H13", width=1.6) + solid("M4.5 10 H11.5 L8 14 Z"))
svg("plus", 16, stroke("M8 3 V13 M3 8 H13", width=2))
svg("minus", 16, stroke("M3 8 H13", width=2))
svg("left", 16, stroke("M10 3 L5 8 L10 13", width=2))
svg("right", 16, stroke("M6 3 L11 8 L6 13", width=2))
svg("up", 16, stroke("M3 10 L8 5 L13 10", width=2))
svg("down", 16, stroke("M3 6 L8 11 L13 6", width=2))
svg("historyback", 16, stroke("M13 8 H3.5 M7.5 4 L3.5 8 L7.5 12", width=2))
svg("historyforward", 16, stroke("M3 8 H12.5 M8.5 4 L12.5 8 L8.5 12", width=2))
svg("star", 16, solid("M8 1.5 L9.9 5.7 L14.4 6.1 L11 9.1 L12 13.6 L8 11.2 L4 13.6 L5 9.1 L1.6 6.1 L6.1 5.7 Z",
                      WARM, f'stroke="{INK}" stroke-width="0.8" stroke-linejoin="round"'))
svg("off", 16, f'<circle cx="8" cy="8" r="5.5" fill="{PAPER}" stroke="{INK}" stroke-width="1.5"/>'
    + stroke("M4.2 11.8 L11.8 4.2", RED, 1.8))

# Layers: visibility and lock -------------------------------------------------------------------
svg("eye", 16, stroke("M1.5 8 C4 3.5 12 3.5 14.5 8 C12 12.5 4 12.5 1.5 8 Z", fill=PAPER, width=1.3)
    + f'<circle cx="8" cy="8" r="2.6" fill="{ACCENT}"/><circle cx="8" cy="8" r="1.1" fill="{INK}"/>')
LOCK_BODY = '<rect x="3.5" y="7" width="9" height="7" rx="1.2" fill="{fill}" stroke="{ink}" stroke-width="1.2"/>'
svg("lock", 16, stroke("M5.5 7 V5 A2.5 2.5 0 0 1 10.5 5 V7", width=1.5)
    + LOCK_BODY.format(fill=WARM, ink=INK) + solid("M7.3 9.5 H8.7 V12 H7.3 Z"))
svg("unlockghost", 16, '<g opacity="0.45">' + stroke("M5.5 7 V4.5 A2.5 2.5 0 0 1 10.5 4.5", width=1.5)
    + LOCK_BODY.format(fill="none", ink=INK) + '</g>')

# Connection signs of attribute rows ------------------------------------------------------------
RING = f'<circle cx="8" cy="8" r="4" fill="{PAPER}" stroke="{INK}" stroke-width="1.3"/>'
svg("nodeempty", 16, RING)
svg("nodeinput", 16, RING + f'<circle cx="8" cy="8" r="2" fill="{ACCENT}"/>' + stroke("M0.8 8 H3.5", ACCENT, 1.5))
svg("nodeoutput", 16, RING + f'<circle cx="8" cy="8" r="2" fill="{WARM}"/>' + stroke("M12.5 8 H15.2", WARM, 1.5))
svg("nodeio", 16, RING + f'<circle cx="8" cy="8" r="2" fill="{INK}"/>'
    + stroke("M0.8 8 H3.5", ACCENT, 1.5) + stroke("M12.5 8 H15.2", WARM, 1.5))

# Scene items ------------------------------------------------------------------------------------
svg("object_camera", 16, '<rect x="1.5" y="5" width="9" height="7" rx="1" fill="%s" stroke="%s" stroke-width="1.2"/>'
    % (PAPER, INK) + solid("M10.5 7.5 L14.5 5.5 V11.5 L10.5 9.5 Z") + f'<circle cx="6" cy="8.5" r="1.6" fill="{ACCENT}"/>')
svg("object_imageplane", 16, '<rect x="1.5" y="2.5" width="13" height="11" fill="%s" stroke="%s" stroke-width="1.2"/>'
    % (PAPER, INK) + solid("M2.5 12.5 L6.5 7 L9 10 L10.5 8.5 L13.5 12.5 Z", ACCENT)
    + f'<circle cx="11" cy="5.5" r="1.3" fill="{WARM}"/>')
svg("object_light", 16, f'<circle cx="8" cy="6.5" r="4.3" fill="{WARM}" stroke="{INK}" stroke-width="1.2"/>'
    + stroke("M6 11 V13 H10 V11 M6.5 14.5 H9.5", width=1.2))
CUBE = ('<path d="M8 1.8 L13.8 4.8 V11.2 L8 14.2 L2.2 11.2 V4.8 Z" fill="{side}" stroke="{ink}" stroke-width="1.2" '
        'stroke-linejoin="round"/><path d="M2.2 4.8 L8 7.8 L13.8 4.8 M8 7.8 V14.2" fill="none" stroke="{ink}" '
        'stroke-width="1.2" stroke-linejoin="round"/><path d="M2.2 4.8 L8 1.8 L13.8 4.8 L8 7.8 Z" fill="{top}"/>')
svg("object_geometry", 16, CUBE.format(side=CLAY, top=PAPER, ink=INK))
svg("object_layer", 16, solid("M8 8.5 L14.5 11 L8 13.5 L1.5 11 Z", SOFT)
    + stroke("M8 6 L14.5 8.5 L8 11 L1.5 8.5 Z", INK, 1.1, fill=PAPER)
    + stroke("M8 2.5 L14.5 5 L8 7.5 L1.5 5 Z", INK, 1.1, fill=ACCENT))
svg("object_material", 16, '<defs><radialGradient id="m" cx="0.35" cy="0.35" r="0.7"><stop offset="0" stop-color="#ffffff"/>'
    f'<stop offset="1" stop-color="{ACCENT}"/></radialGradient></defs>'
    f'<circle cx="8" cy="8" r="6" fill="url(#m)" stroke="{INK}" stroke-width="1.2"/>')
svg("object_stencil", 16, f'<rect x="1.5" y="1.5" width="13" height="13" rx="1" fill="{SOFT}" stroke="{INK}" stroke-width="1.2"/>'
    + solid("M8 3.5 L9.4 6.6 L12.8 6.9 L10.2 9.1 L11 12.4 L8 10.6 L5 12.4 L5.8 9.1 L3.2 6.9 L6.6 6.6 Z", PAPER))
svg("object_stamp", 16, stroke("M5.5 2 H10.5 V6 L12 8 H4 L5.5 6 Z", fill=PAPER, width=1.2)
    + f'<rect x="2.5" y="8" width="11" height="3.5" rx="0.8" fill="{ACCENT}" stroke="{INK}" stroke-width="1.2"/>'
    + stroke("M3.5 14 H12.5", SOFT, 1.3))
svg("object_set", 16, f'<rect x="1.5" y="1.5" width="13" height="13" rx="1.5" fill="none" stroke="{INK}" '
    'stroke-width="1.2" stroke-dasharray="2.2 1.6"/>'
    + ''.join(f'<circle cx="{x}" cy="{y}" r="1.7" fill="{ACCENT}"/>' for x, y in ((5, 6), (10.5, 5.5), (7.5, 10.5))))
svg("object_curve", 16, stroke("M2 13 C3 4 13 12 14 3", width=1.5)
    + stroke("M2 13 L3 4 M14 3 L13 12", SOFT, 0.8)
    + ''.join(f'<rect x="{x - 1.4}" y="{y - 1.4}" width="2.8" height="2.8" fill="{ACCENT}"/>'
              for x, y in ((2, 13), (14, 3))))
svg("object_node", 16, f'<rect x="2" y="3.5" width="12" height="9" rx="1.5" fill="{PAPER}" stroke="{INK}" stroke-width="1.2"/>'
    + stroke("M4.5 6.5 H11.5 M4.5 9.5 H9", SOFT, 1.2))

# Folders and files ------------------------------------------------------------------------------
FOLDER = ('<path d="M1.5 4 V13 H14.5 V5.5 H7.5 L6 3.5 H2 Z" fill="{fill}" stroke="{ink}" stroke-width="1.2" '
          'stroke-linejoin="round"/>')
svg("folder", 16, FOLDER.format(fill=WARM, ink=INK))
svg("diropen", 16, FOLDER.format(fill=WARM, ink=INK)
    + stroke("M1.5 13 L4 7.5 H15 L12.5 13 Z", INK, 1.2, fill="#f3c76a"))
svg("parentdir", 16, FOLDER.format(fill=WARM, ink=INK) + stroke("M8 12 V7 M5.8 9 L8 6.8 L10.2 9", INK, 1.5))
svg("newdirectory", 16, FOLDER.format(fill=WARM, ink=INK) + stroke("M8 6.8 V12 M5.4 9.4 H10.6", INK, 1.6))
svg("deldirectory", 16, FOLDER.format(fill=WARM, ink=INK) + stroke("M5.4 9.4 H10.6", RED, 1.8))

# The image browser's picture tools --------------------------------------------------------------
CIRCLE_ARROW = stroke("M13 8 A5 5 0 1 1 10.5 3.7", width=1.6) + solid("M9 1.5 L13.2 3.2 L10.2 6.6 Z")
svg("updateimage", 16, '<rect x="3" y="4" width="10" height="8" fill="%s" stroke="%s" stroke-width="0.8"/>' % (PAPER, SOFT)
    + CIRCLE_ARROW)
svg("reloadthumbnails", 16, stroke("M2.5 7 A5.5 5.5 0 0 1 12.5 4.5", width=1.5) + solid("M13.8 1.8 L13.6 6.2 L9.6 4.6 Z")
    + stroke("M13.5 9 A5.5 5.5 0 0 1 3.5 11.5", width=1.5) + solid("M2.2 14.2 L2.4 9.8 L6.4 11.4 Z"))
svg("rotateleft", 16, stroke("M3.5 9 A5 5 0 1 0 6 4.2", width=1.6) + solid("M7.5 1.5 L3.2 3.4 L6.4 6.6 Z"))
svg("rotateright", 16, stroke("M12.5 9 A5 5 0 1 1 10 4.2", width=1.6) + solid("M8.5 1.5 L12.8 3.4 L9.6 6.6 Z"))
svg("adjustsize", 16, stroke("M2 6 V2 H6 M10 2 H14 V6 M14 10 V14 H10 M6 14 H2 V10", width=1.6)
    + f'<rect x="5" y="5" width="6" height="6" fill="{ACCENT}"/>')
svg("settexture", 16, f'<rect x="2" y="2" width="12" height="12" fill="{PAPER}" stroke="{INK}" stroke-width="1.2"/>'
    + ''.join(f'<rect x="{2 + 3 * i}" y="{2 + 3 * j}" width="3" height="3" fill="{ACCENT}"/>'
              for i in range(4) for j in range(4) if (i + j) % 2 == 0))
svg("setstencil", 16, f'<rect x="1.5" y="1.5" width="13" height="13" rx="1" fill="{SOFT}" stroke="{INK}" stroke-width="1.2"/>'
    + f'<circle cx="8" cy="8" r="3.8" fill="{PAPER}"/>')
svg("setstamp", 16, stroke("M5.5 2 H10.5 V6 L12 8 H4 L5.5 6 Z", fill=PAPER, width=1.2)
    + f'<rect x="2.5" y="8" width="11" height="3.5" rx="0.8" fill="{ACCENT}" stroke="{INK}" stroke-width="1.2"/>'
    + stroke("M3.5 14 H12.5", SOFT, 1.3))
svg("setplane", 16, '<rect x="1.5" y="2.5" width="13" height="11" fill="%s" stroke="%s" stroke-width="1.2"/>' % (PAPER, INK)
    + solid("M2.5 12.5 L6.5 7 L9 10 L10.5 8.5 L13.5 12.5 Z", ACCENT))
svg("setnegativeplane", 16, '<rect x="1.5" y="2.5" width="13" height="11" fill="%s" stroke="%s" stroke-width="1.2"/>' % (INK, INK)
    + solid("M2.5 12.5 L6.5 7 L9 10 L10.5 8.5 L13.5 12.5 Z", WARM))

# Tool pictures: one per group of the tool table ----------------------------------------------------
SURFACE = "M3 31 C9 31 12 19 20 19 C28 19 31 31 37 31 V36 H3 Z"
svg("tool_sculpting", 40, solid(SURFACE, CLAY, f'stroke="{INK}" stroke-width="1.4" stroke-linejoin="round"')
    + stroke("M27 6 L18 15", INK, 3.2) + stroke("M18 15 L16 17.5", ACCENT, 3.6)
    + stroke("M9 12 Q20 7 31 12", SOFT, 1.2, extra='stroke-dasharray="2 2"'))
svg("tool_deform", 40, solid("M3 33 C12 33 14 14 20 9 C26 14 28 33 37 33 V37 H3 Z", CLAY,
                             f'stroke="{INK}" stroke-width="1.4" stroke-linejoin="round"')
    + stroke("M20 24 V5", ACCENT, 2.2) + solid("M15.5 8.5 L20 2.5 L24.5 8.5 Z", ACCENT)
    + stroke("M3 33 H37", SOFT, 1, extra='stroke-dasharray="2 2"'))
svg("tool_selection", 40, ''.join(
    f'<rect x="{4 + 8 * i}" y="{4 + 8 * j}" width="8" height="8" fill="{ACCENT if 1 <= i <= 2 and 1 <= j <= 2 else PAPER}" '
    f'stroke="{SOFT}" stroke-width="0.8"/>' for i in range(4) for j in range(4))
    + f'<rect x="10" y="10" width="20" height="20" fill="none" stroke="{INK}" stroke-width="1.6" stroke-dasharray="3 2"/>'
    + solid("M27 25 L36 33 L31.5 33.2 L34 38 L32 39 L29.6 34.2 L27 37 Z", "#ffffff",
            f'stroke="{INK}" stroke-width="1" stroke-linejoin="round"'))
ARROW = '<path d="M20 20 L{x} {y}" stroke="{c}" stroke-width="2.4" stroke-linecap="round"/>'
svg("tool_transform", 40, ARROW.format(x=35, y=20, c=RED) + solid("M37.5 20 L32 16.5 V23.5 Z", RED)
    + ARROW.format(x=20, y=5, c="#3c9a4a") + solid("M20 2.5 L16.5 8 H23.5 Z", "#3c9a4a")
    + ARROW.format(x=8, y=32, c=ACCENT) + solid("M6 34 L7 27.6 L12.4 31.9 Z", ACCENT)
    + f'<rect x="16.5" y="16.5" width="7" height="7" fill="{PAPER}" stroke="{INK}" stroke-width="1.4"/>')
svg("tool_proppaint", 40, solid(SURFACE, CLAY, f'stroke="{INK}" stroke-width="1.4" stroke-linejoin="round"')
    + solid("M12.5 25 C15 20.5 25 20.5 27.5 25 C28 29 12 29 12.5 25 Z", "#7a5ab8", 'opacity="0.8"')
    + stroke("M31 4 L24 14", INK, 3) + solid("M22 13 C26 14 26 18 23 19.5 C20 21 18 19 20 16 Z", "#7a5ab8",
                                              f'stroke="{INK}" stroke-width="1"'))

# The roll ring beside the cursor, the application icon and the splash ------------------------------
svg("roll", 64, f'<circle cx="32" cy="32" r="22" fill="none" stroke="#ffffff" stroke-width="7" opacity="0.9"/>'
    + stroke("M32 10 A22 22 0 0 1 54 32", INK, 4) + solid("M49 30 L59 30 L54 40 Z", INK)
    + stroke("M32 54 A22 22 0 0 1 10 32", INK, 4) + solid("M15 34 L5 34 L10 24 Z", INK)
    + f'<circle cx="32" cy="32" r="4" fill="{ACCENT}" stroke="#ffffff" stroke-width="1.5"/>')
APP = ('<rect x="{o}" y="{o}" width="{s}" height="{s}" rx="{r}" fill="{ACCENT}"/>'
       '<path d="{surface}" fill="{CLAY}" stroke="{INK}" stroke-width="{w}" stroke-linejoin="round"/>')
svg("appicon", 64, APP.format(o=2, s=60, r=12, ACCENT=ACCENT, CLAY=CLAY, INK=INK, w=2,
                              surface="M8 50 C18 50 22 22 32 22 C42 22 46 50 56 50 V56 H8 Z")
    + stroke("M44 8 L33 19", "#ffffff", 5) + stroke("M33 19 L30.5 22", WARM, 5.5))
svg("splashscreen", (480, 280),
    f'<defs><linearGradient id="sky" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#3a4756"/>'
    f'<stop offset="1" stop-color="#1d242c"/></linearGradient></defs>'
    '<rect width="480" height="280" fill="url(#sky)"/>'
    f'<path d="M0 250 C80 250 120 150 200 150 C280 150 320 250 480 250 V280 H0 Z" fill="{CLAY}" opacity="0.9"/>'
    f'<path d="M150 172 C175 158 225 158 250 172" fill="none" stroke="{ACCENT}" stroke-width="6" stroke-linecap="round"/>'
    '<text x="32" y="78" font-family="DejaVu Sans, sans-serif" font-size="52" font-weight="bold" fill="#ffffff">Tevrin</text>'
    '<text x="34" y="108" font-family="DejaVu Sans, sans-serif" font-size="16" fill="#c8d2dc">'
    'Sculpting and painting of polygon meshes</text>'
)
