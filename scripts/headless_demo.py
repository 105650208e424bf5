#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Tandrel on a private virtual desktop, for machines without a display.

Starts the private desktop of the end-to-end tests (Xvfb, D-Bus, accessibility bus, HTTPS
fixture pages, Chromium), opens a chat page, runs the real tandrel with a fresh home folder,
checks that the palette appears 10 points above the chat composer and centred on it, clicks the
palette's first button and prints what the chat page received, and writes screenshots to out/.
Prints one line per step; exits 0 only when the palette was shown in the right place and the page
received exactly the first prompt, once.
"""

import argparse
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib
import ctypes
import ctypes.util

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SESSION = os.path.join(ROOT, "testing", "desktop_session.py")
PAGE = "https://chatgpt.com/textarea.html"
TOLERANCE = 2  # pixels
PALETTE_GAP = 10
# The palette's layout: its strip of 28-pixel buttons starts 8 pixels in from the left and sits 8
# pixels above the window's bottom edge. A point 20 pixels into the strip is on the first button.
STRIP_LEFT = 8
STRIP_BOTTOM = 8
BUTTON_HEIGHT = 28
FIRST_BUTTON_INSET = 20
SEND_TIMEOUT = 10.0  # seconds for the page to report what it sent
QUIET_AFTER_SEND = 1.5  # seconds without a further message before the count is final


class DemoError(Exception):
    pass


def step(text):
    print("demo: " + text, flush=True)


class Session:
    """desktop_session.py as a child, speaking its line protocol."""

    def __init__(self):
        self.process = subprocess.Popen([sys.executable, SESSION], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True, bufsize=1)
        self.env = dict(os.environ)

    def expect(self, prefix, timeout=120):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            line = self.process.stdout.readline()
            if not line:
                raise DemoError("the private desktop stopped")
            line = line.rstrip("\n")
            if line.startswith("error "):
                raise DemoError(line[len("error "):])
            if line.startswith(prefix):
                return line
            key, sep, value = line.partition("=")
            if sep and key.isupper():
                self.env[key] = value
        raise DemoError("the private desktop did not say %r in time" % prefix)

    def open(self, url):
        self.process.stdin.write("open %s\n" % url)
        line = self.expect("opened ")
        return json.loads(line[len("opened "):])

    def take_sent(self):
        self.process.stdin.write("sent\n")
        line = self.expect("sent ")
        return json.loads(line[len("sent "):])

    def stop(self):
        try:
            self.process.stdin.close()
        except OSError:
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()


def composer_surface(rects):
    """The composer body with its rail, or the input alone: what the palette is placed against."""
    parts = [rects[k] for k in ("body", "rail") if rects.get(k)]
    if not parts:
        parts = [rects["input"]]
    left = min(r[0] for r in parts)
    top = min(r[1] for r in parts)
    right = max(r[0] + r[2] for r in parts)
    bottom = max(r[1] + r[3] for r in parts)
    return left, top, right - left, bottom - top


def xdotool(env, *args):
    result = subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True,
                            timeout=10)
    return result.stdout if result.returncode == 0 else ""


def visible_windows(env, pid):
    found = []
    for wid in xdotool(env, "search", "--onlyvisible", "--pid", str(pid)).split():
        geometry = {}
        for line in xdotool(env, "getwindowgeometry", "--shell", wid).splitlines():
            key, _, value = line.partition("=")
            geometry[key] = int(value) if value.lstrip("-").isdigit() else value
        if {"X", "Y", "WIDTH", "HEIGHT"} <= geometry.keys():
            found.append((wid, geometry))
    return found


def wait_for(predicate, timeout, interval=0.1):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    return None


def screenshot(display, path):
    """The whole screen as a PNG, read through libX11 (no image tools needed)."""
    x = ctypes.CDLL(ctypes.util.find_library("X11"))
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XDefaultScreen.argtypes = [ctypes.c_void_p]
    x.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XGetImage.restype = ctypes.c_void_p
    x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                            ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x.XGetPixel.restype = ctypes.c_ulong
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x.XOpenDisplay(display.encode())
    if not dpy:
        raise DemoError("cannot open display %s for a screenshot" % display)
    try:
        screen = x.XDefaultScreen(dpy)
        width, height = x.XDisplayWidth(dpy, screen), x.XDisplayHeight(dpy, screen)
        image = x.XGetImage(dpy, x.XDefaultRootWindow(dpy), 0, 0, width, height,
                            0xFFFFFFFF, 2)  # AllPlanes, ZPixmap
        if not image:
            raise DemoError("cannot read the screen")

        class XImage(ctypes.Structure):
            _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int),
                        ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
                        ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                        ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                        ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                        ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]

        img = ctypes.cast(image, ctypes.POINTER(XImage)).contents
        if img.bits_per_pixel != 32:
            raise DemoError("unexpected screen depth %d" % img.bits_per_pixel)
        raw = ctypes.string_at(img.data, img.bytes_per_line * height)
        rows = bytearray()
        for y in range(height):
            line = raw[y * img.bytes_per_line:y * img.bytes_per_line + width * 4]
            rgb = bytearray(width * 3)
            rgb[0::3] = line[2::4]
            rgb[1::3] = line[1::4]
            rgb[2::3] = line[0::4]
            rows += b"\x00" + rgb
    finally:
        x.XCloseDisplay(dpy)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    png = (b"\x89PNG\r\n\x1a\n" +
           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(bytes(rows), 6)) + chunk(b"IEND", b""))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


def check_palette(geometry, surface):
    x, y, w, h = geometry["X"], geometry["Y"], geometry["WIDTH"], geometry["HEIGHT"]
    sx, sy, sw, sh = surface
    gap = sy - (y + h)
    offset = (x + w / 2) - (sx + sw / 2)
    ok = abs(gap - PALETTE_GAP) <= TOLERANCE and abs(offset) <= TOLERANCE
    return ok, "palette at (%d, %d, %d x %d), %g px above the composer, centre off by %g px" % (
        x, y, w, h, gap, offset)


def is_editor(geometry):
    # Above a wide composer the palette is as wide as the editor, but never as high.
    return geometry["WIDTH"] >= 700 and geometry["HEIGHT"] >= 300


def prompts_file(home):
    return os.path.join(home, ".local", "share", "Tandrel", "prompts.json")


def send_first_prompt(env, session, geometry, path):
    try:
        with open(path, encoding="utf-8") as f:
            first = json.load(f)["prompts"][0]
    except (OSError, ValueError, KeyError, IndexError) as e:
        raise DemoError("cannot read the saved prompts at %s: %s" % (path, e))
    x = geometry["X"] + STRIP_LEFT + FIRST_BUTTON_INSET
    y = geometry["Y"] + geometry["HEIGHT"] - STRIP_BOTTOM - BUTTON_HEIGHT // 2
    session.take_sent()
    step("clicking the palette's first button, %r, at (%d, %d)" % (first["title"], x, y))
    xdotool(env, "mousemove", str(x), str(y), "click", "1")
    received = []
    deadline = time.monotonic() + SEND_TIMEOUT
    while time.monotonic() < deadline:
        more = session.take_sent()
        if more:
            received += more
            deadline = min(deadline, time.monotonic() + QUIET_AFTER_SEND)
        time.sleep(0.1)
    if not received:
        raise DemoError("the page received nothing within %g s" % SEND_TIMEOUT)
    for message in received:
        step("the page received: %s" % json.dumps(message["text"], ensure_ascii=False))
    if len(received) != 1 or received[0]["text"] != first["text"]:
        raise DemoError("the page should have received the prompt %s exactly once"
                        % json.dumps(first["text"], ensure_ascii=False))
    step("the page received the first prompt, once")
    return 0


def run(args):
    out = os.path.join(ROOT, "out")
    home = tempfile.mkdtemp(prefix="tandrel-demo-home-")
    session = Session()
    tandrel = None
    try:
        step("starting a private desktop (Xvfb, D-Bus, accessibility bus, Chromium)")
        session.expect("ready")
        env = session.env
        step("display %s" % env["DISPLAY"])

        step("opening %s in Chromium" % PAGE)
        page = session.open(PAGE)
        surface = composer_surface(page["rects"])
        step("the chat composer is at (%d, %d, %d x %d)" % surface)

        step("starting tandrel with a fresh home folder")
        tandrel_env = dict(env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                           XDG_DATA_HOME=os.path.join(home, ".local", "share"))
        log = open(os.path.join(home, "tandrel.log"), "w")
        tandrel = subprocess.Popen([args.tandrel], env=tandrel_env, stdout=log,
                                   stderr=subprocess.STDOUT)

        # The first launch opens the editor; saving the built-in prompts closes it and gives the
        # focus back to the chat.
        editor = wait_for(lambda: [w for w in visible_windows(env, tandrel.pid)
                                   if is_editor(w[1])], 15)
        if editor:
            step("first launch: the editor opened (%d x %d)" % (editor[0][1]["WIDTH"],
                                                                 editor[0][1]["HEIGHT"]))
            time.sleep(0.5)
            screenshot(env["DISPLAY"], os.path.join(out, "editor.png"))
            step("wrote out/editor.png")
            xdotool(env, "windowfocus", "--sync", editor[0][0], "key", "ctrl+s")
            wait_for(lambda: not [w for w in visible_windows(env, tandrel.pid)
                                  if is_editor(w[1])], 5)
        chromium = [w for w in xdotool(env, "search", "--onlyvisible", "--pid",
                                       str(page["pid"])).split()]
        for wid in chromium[:1]:
            xdotool(env, "windowfocus", wid)

        palette = wait_for(lambda: [w for w in visible_windows(env, tandrel.pid)
                                    if w[1]["HEIGHT"] < 100], 15)
        if tandrel.poll() is not None:
            raise DemoError("tandrel exited with status %d" % tandrel.returncode)
        if not palette:
            raise DemoError("no palette appeared within 15 s")
        ok, description = check_palette(palette[0][1], surface)
        step(description)
        time.sleep(0.3)
        screenshot(env["DISPLAY"], os.path.join(out, "palette.png"))
        step("wrote out/palette.png")
        if not ok:
            raise DemoError("the palette is not 10 px above the composer and centred on it")
        step("the palette is shown above the chat composer")
        return send_first_prompt(env, session, palette[0][1], prompts_file(home))
    except DemoError as e:
        print("demo: FAILED: %s" % e, file=sys.stderr, flush=True)
        if tandrel is not None:
            log_path = os.path.join(home, "tandrel.log")
            if os.path.exists(log_path):
                with open(log_path) as f:
                    sys.stderr.write(f.read()[-2000:])
        return 1
    finally:
        if tandrel is not None and tandrel.poll() is None:
            tandrel.terminate()
            try:
                tandrel.wait(timeout=5)
            except subprocess.TimeoutExpired:
                tandrel.kill()
        session.stop()
        shutil.rmtree(home, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tandrel", required=True, help="path of the tandrel program")
    return run(parser.parse_args())


if __name__ == "__main__":
    sys.exit(main())
