#!/usr/bin/python3
"""A small VNC client for the end-to-end session on sway (scripts/e2e/sway-session.sh): wayvnc, serving
monitor 1 on a local port, gives the seat a pointer and a keyboard, and this client works them. It speaks
RFB 3.8 without authentication, sends its events and leaves; it never asks for the picture.

    vnc.py move PORT X Y      the pointer to X,Y of monitor 1
    vnc.py click PORT X Y     the pointer to X,Y and a left click there
    vnc.py key PORT KEY       KEY pressed and released: an X key name of KEYSYMS or a single character

Only the standard library is needed; run it with /usr/bin/python3.
"""

import socket
import struct
import sys
import time

from dispatch import fail, run

KEYSYMS = {
    "BackSpace": 0xFF08, "Tab": 0xFF09, "Return": 0xFF0D, "Escape": 0xFF1B, "Delete": 0xFFFF,
    "Home": 0xFF50, "Left": 0xFF51, "Up": 0xFF52, "Right": 0xFF53, "Down": 0xFF54, "Prior": 0xFF55,
    "Next": 0xFF56, "End": 0xFF57, "space": 0x20,
}
POINTER_EVENT = 5
KEY_EVENT = 4
LEFT_BUTTON = 1
PACE = 0.03  # seconds between a press and its release, as a hand would leave


def received(connection, count):
    data = b""
    while len(data) < count:
        chunk = connection.recv(count - len(data))
        if not chunk:
            fail("the VNC server closed the connection during the handshake")
        data += chunk
    return data


def connect(port):
    """A connection past the handshake: version 3.8, security type None, a shared session. Returns the
    connection and the size of the screen it serves."""
    try:
        connection = socket.create_connection(("127.0.0.1", port), timeout=10)
    except OSError as error:
        fail(f"no VNC server on port {port}: {error}")
    version = received(connection, 12)
    if not version.startswith(b"RFB 003."):
        fail(f"not a VNC server on port {port}: {version!r}")
    connection.sendall(b"RFB 003.008\n")
    types = received(connection, received(connection, 1)[0])
    if 1 not in types:
        fail(f"the VNC server asks for authentication (security types {list(types)})")
    connection.sendall(bytes([1]))
    if struct.unpack(">I", received(connection, 4))[0] != 0:
        fail("the VNC server refused the connection")
    connection.sendall(bytes([1]))  # shared: other clients stay
    width, height = struct.unpack(">HH", received(connection, 4))
    name_length = struct.unpack(">I", received(connection, 20)[16:])[0]
    received(connection, name_length)
    return connection, (width, height)


def pointer(port, x, y, click):
    connection, (width, height) = connect(port)
    if not (0 <= x < width and 0 <= y < height):
        fail(f"{x},{y} is off the {width} x {height} screen that the VNC server serves")
    masks = [0, LEFT_BUTTON, 0] if click else [0]
    for mask in masks:
        connection.sendall(struct.pack(">BBHH", POINTER_EVENT, mask, x, y))
        time.sleep(PACE)
    connection.close()


def key(port, name):
    keysym = KEYSYMS.get(name, ord(name) if len(name) == 1 else None)
    if keysym is None:
        fail(f"no keysym for the key {name!r}")
    connection, _ = connect(port)
    for down in (1, 0):
        connection.sendall(struct.pack(">BBxxI", KEY_EVENT, down, keysym))
        time.sleep(PACE)
    connection.close()


def main(argv):
    commands = {
        "move": (3, lambda a: pointer(int(a[0]), int(a[1]), int(a[2]), False)),
        "click": (3, lambda a: pointer(int(a[0]), int(a[1]), int(a[2]), True)),
        "key": (2, lambda a: key(int(a[0]), a[1])),
    }
    run(argv, commands, __doc__)


if __name__ == "__main__":
    main(sys.argv)
