#!/usr/bin/python3
"""Screenshot checks for the section of the end-to-end run in which the audience monitor is unplugged and
plugged in again during a show (scenarios/hotplug.sh; the pictures themselves and the other checks are
those of screens.py).

    hotplug.py operator SHOT                 SHOT, taken while only monitor 1 is there (1920 pixels
                                             wide), shows the main window and nothing over it
    hotplug.py status SHOT                   how many dark pixels the status bar at the bottom of
                                             monitor 1 holds (its text)
    hotplug.py shown SHOT WIDTH HEIGHT       which picture monitor 2 shows while it is WIDTH x HEIGHT:
                                             a NAME of fixtures.py, "black" or "other"
    hotplug.py returned DISPLAY PID TIMEOUT STEP NAME NEXT
                                             after monitor 2 came back: the first picture it shows is
                                             NAME, within TIMEOUT seconds, and NEXT follows within STEP
                                             seconds (the show goes on), monitor 1 showing the main
                                             window all along

Only Debian's python3-pil is needed; run it with /usr/bin/python3.
"""

import contextlib
import io
import os
import sys
import time

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from compare import classify, monitors  # noqa: E402
from dispatch import fail, run  # noqa: E402
from fixtures import PICTURES  # noqa: E402
from mainwindow import main_window  # noqa: E402
from watching import grab  # noqa: E402

MONITOR_WIDTH = 1920  # monitor 1, the operator's
STATUS_BAR = 24  # the status bar's height at the bottom of the maximised main window, at most


def operator(shot_path):
    shot = Image.open(shot_path).convert("RGB")
    if shot.width != MONITOR_WIDTH:
        fail(f"the screen is {shot.width} pixels wide, not one monitor: monitor 2 is still there")
    # main_window reads the left half of a screenshot of two monitors.
    both = Image.new("RGB", (2 * shot.width, shot.height))
    both.paste(shot, (0, 0))
    main_window(both)


def status(shot_path):
    first, _ = monitors(shot_path)
    bar = first.crop((0, first.height - STATUS_BAR, first.width, first.height)).convert("L")
    print(sum(1 for value in bar.getdata() if value < 96))


def second_monitor(shot, width, height):
    """Monitor 2 of a screenshot: the WIDTH x HEIGHT right of monitor 1."""
    left = MONITOR_WIDTH
    return shot.convert("RGB").crop((left, 0, left + width, height))


def shown(shot_path, width, height):
    print(classify(second_monitor(Image.open(shot_path), width, height)))


def returned(display, pid, timeout, step, name, following):
    start = since = time.monotonic()
    back = False  # monitor 2 has shown a picture since it came back
    while True:
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            fail("the program ended while monitor 2 was awaited")
        shot = grab(display)
        now = time.monotonic()
        current = classify(monitors(shot)[1]) if shot.width >= 2 * MONITOR_WIDTH else "none"
        if current in PICTURES:
            with contextlib.redirect_stdout(io.StringIO()):
                main_window(shot)
            if not back:
                if current != name:
                    fail(f"monitor 2 came back with {current}, not with {name}, the picture it had")
                back, since = True, now
                print(f"{name} back on monitor 2 after {now - start:.1f} s, ", end="", flush=True)
            elif current == following:
                print(f"{following} {now - since:.1f} s later")
                return
            elif current != name:
                fail(f"monitor 2 shows {current} where {following} should follow {name}")
        if now - since > (step if back else timeout):
            fail(f"monitor 2 did not show {following if back else name} in time (it shows {current})")
        time.sleep(0.05)


def main(argv):
    commands = {
        "operator": (1, lambda a: operator(a[0])),
        "status": (1, lambda a: status(a[0])),
        "shown": (3, lambda a: shown(a[0], int(a[1]), int(a[2]))),
        "returned": (6, lambda a: returned(a[0], int(a[1]), float(a[2]), float(a[3]), a[4], a[5])),
    }
    run(argv, commands, __doc__)


if __name__ == "__main__":
    main(sys.argv)
