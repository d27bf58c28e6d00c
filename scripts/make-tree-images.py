#!/usr/bin/env python3
"""Draws the navigation pane's own images 42..50 into src/ui/gui/images/ (16x16 PNG).

Images 0..41 are the Web Help topic images (support/webhelp/icons/1.gif .. 42.gif); these
nine complete the pane's list in the same style, with the same painter:

    42, 43  group, closed / open            (blue folder)
    44, 45  page or template with children  (grey folder)
    46      non-contents page               (page with a dashed edge mark)
    47      template page                   (page with a purple band)
    48      the HTML Help template          (template page, "H" badge)
    49      the Web Help template           (template page, globe badge)
    50      the template for both           (template page, check badge)

    scripts/make-tree-images.py
"""

import importlib.util
import os

HERE = os.path.dirname(os.path.abspath(__file__))
module_spec = importlib.util.spec_from_file_location("webimg", os.path.join(HERE, "make-webhelp-images.py"))
w = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(w)

FOLDER = w.hexc("#4a86c8")
GREY_FOLDER = w.hexc("#9aa4b2")
TEMPLATE = w.PURPLE
w.GLYPHS.setdefault("H", ["#.#", "#.#", "###", "#.#", "#.#"])


def template_page(c):
    w.page(c, lines=True, fold_colour=w.lighter(TEMPLATE, 0.5))
    c.rect(3.8, 1.8, 5.2, 14.2, TEMPLATE)


def non_contents_page(c):
    w.page(c, lines=True)
    for y in (2.5, 6.5, 10.5):
        c.rect(1, y, 2.2, y + 2, w.GREY)


def with_badge(colour, glyph):
    def draw(c):
        template_page(c)
        w.badge(c, colour, glyph)
    return draw


def template_globe(c):
    template_page(c)
    w.globe(c, 11.5, 11.5, 4.2, w.TEAL)


IMAGES = {
    42: lambda c: w.folder_closed(c, FOLDER),
    43: lambda c: w.folder_open(c, FOLDER),
    44: lambda c: w.folder_closed(c, GREY_FOLDER),
    45: lambda c: w.folder_open(c, GREY_FOLDER),
    46: non_contents_page,
    47: template_page,
    48: with_badge(w.BLUE, "H"),
    49: template_globe,
    50: with_badge(w.GREEN, "check"),
}


def main():
    out = os.path.join(HERE, "..", "src", "ui", "gui", "images")
    os.makedirs(out, exist_ok=True)
    for n, draw in IMAGES.items():
        px = w.render(draw, 16, 16, True)
        rows = [[(p[0], p[1], p[2], 255) if p else (0, 0, 0, 0) for p in row] for row in px]
        w.write_png(os.path.join(out, f"{n}.png"), 16, 16, rows)


if __name__ == "__main__":
    main()
