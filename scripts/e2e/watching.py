"""Watching the screen while the program runs, for the end-to-end run: screenshots grabbed in-process
from the X server, a few hundredths of a second each, so that a step of a one-second show or the moment
the image list settles is not missed between two screenshots taken by another program.

Only Debian's python3-pil is needed; run it with /usr/bin/python3.
"""

from compare import classify, monitors, picture
from dispatch import fail
from fixtures import PICTURES
from mainwindow import LIST_LEFT, list_colour_count, main_window


def grab(display):
    """A screenshot of the whole root window of the X server `display`."""
    from PIL import ImageGrab

    return ImageGrab.grab(xdisplay=display)


def watch(display, folder, pid, first_timeout, step_timeout, expected):
    """Watches monitor 2 while a slideshow of the program with process id `pid` runs and checks that
    it shows the pictures `expected` in that order: the first within `first_timeout` seconds, each
    next one within `step_timeout` seconds of the one before, with no other picture in between.
    Afterwards each picture is checked in full (`picture`) on the first screenshot that showed it,
    together with monitor 1 (`main`); those screenshots are saved in `folder` as show-<n>-<name>.png.

    The screen is grabbed in-process (a few hundredths of a second a grab) and only told apart while
    the show runs, so that no picture of a one-second show goes by unseen on a busy machine."""
    import os
    import time

    start = last_change = time.monotonic()
    seen = None  # the picture on monitor 2 at the last grab that showed one
    frames = []  # (seconds since the picture before, screenshot) of each expected picture
    while len(frames) < len(expected):
        awaited = expected[len(frames)]
        limit = first_timeout if not frames else step_timeout
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            fail(f"the program ended while monitor 2 was awaiting {awaited}")
        if time.monotonic() - last_change > limit:
            fail(f"monitor 2 did not show {awaited} within {limit} s (it shows {seen}; "
                 f"pictures so far: {', '.join(expected[:len(frames)]) or 'none'})")
        shot = grab(display)
        now = time.monotonic()
        current = classify(monitors(shot)[1])
        # "other" or "black" between two pictures does not end the one before. Before the show's first
        # picture anything may be on the screen.
        if current in PICTURES and current != seen:
            if current == awaited:
                frames.append((now - last_change, shot))
                last_change = now
            elif frames:
                fail(f"monitor 2 shows {current} where {awaited} should follow {expected[len(frames) - 1]}")
            seen = current
        time.sleep(0.05)
    print(f"shown in order in {time.monotonic() - start:.1f} s: {' -> '.join(expected)}")

    for number, (name, (seconds, shot)) in enumerate(zip(expected, frames), start=1):
        path = f"{folder}/show-{number}-{name}.png"
        shot.save(path)
        print(f"{name} after {seconds:.1f} s: ", end="", flush=True)
        picture(path, name)
        main_window(path)


def settled(display, shot_path, quiet, timeout, minimum):
    """Waits until the image list has shown the same picture for `quiet` seconds with at least `minimum`
    colourful pixels (its thumbnails rendered), then saves that screenshot and prints the count."""
    import time

    start = time.monotonic()
    previous = None
    same_since = start
    count = 0
    while time.monotonic() - start < timeout:
        shot = grab(display)
        first, _ = monitors(shot)
        now = time.monotonic()
        listed = first.crop((LIST_LEFT, 0, first.width, first.height)).tobytes()
        if listed != previous:
            previous, same_since = listed, now
            count = list_colour_count(first)
        elif now - same_since >= quiet and count >= minimum:
            shot.save(shot_path)
            print(count)
            return
        time.sleep(0.2)
    fail(f"the image list did not settle with at least {minimum} colourful pixels within {timeout} s "
         f"(it shows {count})")
