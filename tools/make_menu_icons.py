#!/usr/bin/python3
"""Draws the ten 16 x 16 menu and list icons NMAIN000 .. NMAIN009 into
resources/icons/menu/. Run with the system Python (it has Pillow):
    /usr/bin/python3 tools/make_menu_icons.py
Each icon is drawn at four times the size and reduced, which smooths its edges.
"""
import os
from PIL import Image, ImageDraw

S = 4  # drawing scale
N = 16 * S
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources", "icons", "menu")

INK = (40, 44, 52, 255)
BLUE = (52, 120, 210, 255)
SKY = (110, 170, 235, 255)
WHITE = (255, 255, 255, 255)
GREEN = (46, 160, 67, 255)
DARK_GREEN = (30, 110, 45, 255)
YELLOW = (250, 200, 40, 255)
RED = (210, 50, 45, 255)
GREY = (150, 155, 165, 255)
GOLD = (225, 170, 40, 255)
NIGHT = (30, 40, 90, 255)


def canvas():
    im = Image.new("RGBA", (N, N), (0, 0, 0, 0))
    return im, ImageDraw.Draw(im)


def box(x0, y0, x1, y1):
    """A rectangle in 16-pixel units, as drawing coordinates."""
    return [x0 * S, y0 * S, x1 * S - 1, y1 * S - 1]


def landscape(d, x0, y0, x1, y1):
    d.rectangle(box(x0, y0, x1, y1), fill=INK)
    d.rectangle(box(x0 + 1, y0 + 1, x1 - 1, y1 - 1), fill=SKY)
    w, h = x1 - x0, y1 - y0
    d.polygon([((x0 + 1) * S, (y1 - 1) * S), ((x0 + w * 0.4) * S, (y0 + h * 0.35) * S),
               ((x0 + w * 0.75) * S, (y1 - 1) * S)], fill=DARK_GREEN)
    d.polygon([((x0 + w * 0.35) * S, (y1 - 1) * S), ((x0 + w * 0.68) * S, (y0 + h * 0.5) * S),
               ((x1 - 1) * S, (y1 - 1) * S)], fill=GREEN)
    r = max(1, h * 0.13)
    cx, cy = x0 + w * 0.75, y0 + h * 0.3
    d.ellipse([(cx - r) * S, (cy - r) * S, (cx + r) * S, (cy + r) * S], fill=YELLOW)


def program_icon():
    return Image.open(os.path.join(ROOT, "resources", "icons", "toviwall-16.png")).convert("RGBA")


def show_window():
    im, d = canvas()
    d.rectangle(box(1, 2, 15, 14), fill=INK)
    d.rectangle(box(2, 3, 14, 5), fill=BLUE)
    d.rectangle(box(2, 5, 14, 13), fill=WHITE)
    d.rectangle(box(12, 3, 13, 4), fill=WHITE)
    for y in (7, 9, 11):
        d.rectangle(box(4, y, 12, y + 1), fill=GREY)
    return im


def change_wallpaper():
    im, d = canvas()
    landscape(d, 0, 1, 13, 11)
    # A round arrow: the picture turns into the next one.
    d.ellipse(box(6.5, 6.5, 16, 16), fill=WHITE)
    d.arc([7.6 * S, 7.6 * S, 15 * S, 15 * S], 230, 140, fill=DARK_GREEN, width=int(2.0 * S))
    d.polygon([(6.6 * S, 8.6 * S), (11.4 * S, 8.4 * S), (8.2 * S, 12.6 * S)], fill=DARK_GREEN)
    return im


def folder():
    im, d = canvas()
    d.polygon([(1 * S, 3 * S), (6 * S, 3 * S), (7.5 * S, 5 * S), (15 * S, 5 * S), (15 * S, 14 * S),
               (1 * S, 14 * S)], fill=(200, 150, 30, 255))
    d.rectangle(box(1, 6, 15, 14), fill=YELLOW)
    d.line([(1 * S, 6 * S), (15 * S, 6 * S)], fill=(200, 150, 30, 255), width=S // 2)
    return im


def padlock():
    im, d = canvas()
    d.arc(box(4, 1, 12, 10), 180, 360, fill=GREY, width=int(1.7 * S))
    d.line([(4.4 * S, 5.5 * S), (4.4 * S, 8 * S)], fill=GREY, width=int(1.7 * S))
    d.line([(11.6 * S, 5.5 * S), (11.6 * S, 8 * S)], fill=GREY, width=int(1.7 * S))
    d.rounded_rectangle(box(2, 7, 14, 15), radius=S, fill=GOLD, outline=(170, 120, 20, 255), width=S // 2)
    d.ellipse(box(7, 9, 9, 11), fill=INK)
    d.rectangle(box(7.5, 10, 8.5, 13), fill=INK)
    return im


def screen_saver():
    im, d = canvas()
    d.rectangle(box(0, 1, 16, 12), fill=INK)
    d.rectangle(box(1, 2, 15, 11), fill=NIGHT)
    d.ellipse(box(4, 3, 10, 9), fill=YELLOW)
    d.ellipse(box(5.6, 2.4, 11.4, 8.2), fill=NIGHT)  # the crescent
    for x, y in ((11.5, 4), (13, 8), (9, 9.2)):
        d.rectangle([x * S, y * S, (x + 0.8) * S, (y + 0.8) * S], fill=WHITE)
    d.rectangle(box(6, 12, 10, 14), fill=INK)
    d.rectangle(box(4, 14, 12, 15), fill=INK)
    return im


def help_icon():
    im, d = canvas()
    d.ellipse(box(0.5, 0.5, 15.5, 15.5), fill=BLUE)
    d.arc(box(5, 3, 11, 9), 180, 70, fill=WHITE, width=int(1.6 * S))
    d.line([(9.8 * S, 7.6 * S), (8 * S, 8.8 * S), (8 * S, 10.2 * S)], fill=WHITE, width=int(1.6 * S))
    d.ellipse(box(7, 11.2, 9, 13.2), fill=WHITE)
    return im


def exit_icon():
    im, d = canvas()
    d.ellipse(box(0.5, 0.5, 15.5, 15.5), fill=RED)
    d.arc(box(4, 4, 12, 12), 300, 240, fill=WHITE, width=int(1.5 * S))
    d.line([(8 * S, 3 * S), (8 * S, 8 * S)], fill=WHITE, width=int(1.6 * S))
    return im


def current_marker():
    im, d = canvas()
    d.line([(2.5 * S, 8.5 * S), (6.5 * S, 12.5 * S), (13.5 * S, 3.5 * S)], fill=GREEN, width=int(2.6 * S),
           joint="curve")
    return im


def disc():
    im, d = canvas()
    d.ellipse(box(0.5, 0.5, 15.5, 15.5), fill=(200, 205, 215, 255), outline=GREY, width=S // 2)
    d.pieslice(box(1.5, 1.5, 14.5, 14.5), 200, 250, fill=(235, 240, 250, 255))
    d.ellipse(box(5, 5, 11, 11), fill=GREY)
    d.ellipse(box(6.6, 6.6, 9.4, 9.4), fill=(0, 0, 0, 0))
    return im


def reduce(im):
    return im if im.size == (16, 16) else im.resize((16, 16), Image.BOX)


ICONS = [program_icon, show_window, change_wallpaper, folder, padlock, screen_saver, help_icon, exit_icon,
         current_marker, disc]

if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    for i, draw in enumerate(ICONS):
        reduce(draw()).save(os.path.join(OUT, "NMAIN%03d.png" % i), optimize=True)
    print("wrote", len(ICONS), "icons to", OUT)
