#!/usr/bin/python3
"""Timing of steps on the X server of scripts/e2e-speed.sh: from a press to the first visible change of
a part of the screen, read straight from the server (XGetImage over ctypes, no extra packages) every
couple of milliseconds, and the medians and ratios of the figures.

  speed.py shown DISPLAY X Y W H TIMEOUT        waits until the region shows something other than black
  speed.py steps DISPLAY X Y W H COUNT OUT CLICK...
                                                steps COUNT times: waits until the region has been still
                                                for a while, runs the CLICK command (xdotool ...), and
                                                appends the milliseconds from the command's start to the
                                                first change of the region to OUT, one per line
  speed.py report DECODE_MS_FILE NAME=FILE...   the medians of each file's figures and their ratios to
                                                the median decode time, and the ratio of the first two
  speed.py goals DECODE_MS_FILE OURS_FILE FEH_FILE
                                                whether the median step is at most 1.6 x the median
                                                decode and below feh's median; exits with 1 when not
  speed.py repetitions JSON                     the real times in milliseconds of each repetition in a
                                                Google Benchmark JSON report, one per line
"""

import ctypes
import json
import statistics
import subprocess
import sys
import time

POLL_SECONDS = 0.002
STILL_SECONDS = 0.4       # a region unchanged this long has finished changing
STEP_TIMEOUT_SECONDS = 20


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class Screen:
    """One connection to the X server, reading a region of its root window."""

    def __init__(self, display, x, y, width, height):
        self.x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGetImage.restype = ctypes.POINTER(XImage)
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x11.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            sys.exit(f"speed.py: cannot open display {display}")
        self.root = self.x11.XDefaultRootWindow(self.display)
        self.region = (x, y, width, height)

    def grab(self):
        x, y, width, height = self.region
        image = self.x11.XGetImage(self.display, self.root, x, y, width, height, ctypes.c_ulong(-1).value, 2)
        if not image:
            sys.exit("speed.py: XGetImage failed")
        data = ctypes.string_at(image.contents.data, image.contents.bytes_per_line * height)
        self.x11.XDestroyImage(image)
        return data

    def wait_still(self, timeout):
        """Waits until the region has not changed for STILL_SECONDS; returns its content."""
        deadline = time.monotonic() + timeout
        last = self.grab()
        since = time.monotonic()
        while time.monotonic() - since < STILL_SECONDS:
            if time.monotonic() > deadline:
                sys.exit("speed.py: the screen never came to rest")
            time.sleep(POLL_SECONDS)
            now = self.grab()
            if now != last:
                last, since = now, time.monotonic()
        return last


def shown(display, x, y, width, height, timeout):
    screen = Screen(display, x, y, width, height)
    deadline = time.monotonic() + timeout
    while not any(screen.grab()):
        if time.monotonic() > deadline:
            sys.exit("speed.py: the region stayed black")
        time.sleep(0.05)


def steps(display, x, y, width, height, count, out, click):
    screen = Screen(display, x, y, width, height)
    with open(out, "a") as figures:
        for _ in range(count):
            before = screen.wait_still(STEP_TIMEOUT_SECONDS)
            # Watched while the click command runs: xdotool itself takes a good part of a tenth of a
            # second to set up and end, and the change may come before it has.
            start = time.monotonic()
            clicking = subprocess.Popen(click)
            while screen.grab() == before:
                if time.monotonic() - start > STEP_TIMEOUT_SECONDS:
                    sys.exit("speed.py: a press changed nothing on the screen")
                time.sleep(POLL_SECONDS)
            seen = time.monotonic()
            if clicking.wait() != 0:
                sys.exit("speed.py: the click command failed")
            figures.write(f"{(seen - start) * 1000:.1f}\n")
            figures.flush()


def figures_of(path):
    with open(path) as lines:
        return [float(line) for line in lines if line.strip()]


def report(decode_file, named):
    decode = figures_of(decode_file)
    decode_median = statistics.median(decode)
    print(f"bare decode (libjpeg-turbo, file read from disk): median {decode_median:.0f} ms "
          f"over {len(decode)} repetitions")
    medians = {}
    for pair in named:
        name, path = pair.split("=", 1)
        values = figures_of(path)
        medians[name] = statistics.median(values)
        print(f"{name}: median {medians[name]:.0f} ms = {medians[name] / decode_median:.2f} x the decode "
              f"(min {min(values):.0f}, max {max(values):.0f}, {len(values)} steps)")
    names = list(medians)
    if len(names) >= 2:
        print(f"{names[0]} / {names[1]}: {medians[names[0]] / medians[names[1]]:.2f}")


def goals(decode_file, ours_file, feh_file):
    decode = statistics.median(figures_of(decode_file))
    ours = statistics.median(figures_of(ours_file))
    feh = statistics.median(figures_of(feh_file))
    missed = []
    if ours > 1.6 * decode:
        missed.append(f"the step is {ours / decode:.2f} x the decode, above 1.6")
    if ours >= feh:
        missed.append(f"the step ({ours:.0f} ms) is not below feh's ({feh:.0f} ms)")
    if missed:
        print("goal missed: " + "; ".join(missed))
        sys.exit(1)
    print(f"goals met: the step is {ours / decode:.2f} x the decode and {ours / feh:.2f} x feh's")


def repetitions(path):
    units = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    with open(path) as report:
        for run in json.load(report)["benchmarks"]:
            if run.get("run_type", "iteration") == "iteration":
                print(f"{run['real_time'] * units[run['time_unit']]:.1f}")


def main(argv):
    command = argv[1]
    if command == "shown":
        shown(argv[2], *map(int, argv[3:7]), float(argv[7]))
    elif command == "steps":
        steps(argv[2], *map(int, argv[3:7]), int(argv[7]), argv[8], argv[9:])
    elif command == "report":
        report(argv[2], argv[3:])
    elif command == "goals":
        goals(argv[2], argv[3], argv[4])
    elif command == "repetitions":
        repetitions(argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
