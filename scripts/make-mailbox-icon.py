#!/usr/bin/env python3
"""Draws the new-message dialog's window icon, a mailbox with a raised red flag, as mailbox.ico.

Usage: make-mailbox-icon.py [output directory]   (default: src/win32/resources)
Draws with the canvas and the .ico writer of make-icons.py: the same colours and sizes.
"""
import importlib.util
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location("make_icons", os.path.join(HERE, "make-icons.py"))
icons = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(icons)


def loaf(x0, y0, x1, y1):
    """A box whose top third is half an ellipse: a rural mailbox seen from the side."""
    cap = (y1 - y0) / 3.0
    cx, rx = (x0 + x1) / 2.0, (x1 - x0) / 2.0

    def inside(u, v):
        if not (x0 <= u <= x1 and y0 <= v <= y1):
            return False
        if v >= y0 + cap:
            return True
        return ((u - cx) / rx) ** 2 + ((y0 + cap - v) / cap) ** 2 <= 1.0

    return inside


def mailbox_with_flag(cv):
    big = cv.big
    cv.rect(13, 19, 19, 31.5, icons.BLACK)  # post
    cv.rect(14, 19, 18, 30.5, icons.OLIVE)
    cv.paint(loaf(1, 9, 25, 21.5), icons.NAVY)  # body with its outline
    cv.paint(loaf(2, 10, 24, 20.5), icons.BLUE)
    cv.line((6, 12), (6, 20), icons.NAVY, 1)  # the door at the front end
    cv.rect(20, 2, 23, 17, icons.BLACK)  # flag pole, raised
    cv.rect(21, 3, 22, 16, icons.SILVER if big else icons.GREY)
    cv.rect(22, 2, 31.5, 10, icons.MAROON)  # the flag
    cv.rect(23, 3, 30.5, 9, icons.RED)


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        HERE, "..", "src", "platform", "win32", "resources")
    with open(os.path.join(target, "mailbox.ico"), "wb") as f:
        f.write(icons.ico(mailbox_with_flag))


if __name__ == "__main__":
    main()
