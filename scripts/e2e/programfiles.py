"""Reading the files the program writes, for the end-to-end run: its image list files and its settings
file, UTF-16 LE with a byte-order mark and CR LF line ends.

Only the standard library is needed; run it with /usr/bin/python3.
"""

from dispatch import fail


def read_utf16_file(path):
    """The text of a file the program wrote: UTF-16 LE with a byte-order mark and CR LF line ends."""
    data = open(path, "rb").read()
    if not data.startswith(b"\xff\xfe"):
        fail(f"{path} does not start with the UTF-16 LE byte-order mark")
    text = data[2:].decode("utf-16-le")
    if text and not text.endswith("\r\n"):
        fail(f"{path} does not end with CR LF")
    lines = text.split("\r\n")[:-1] if text else []
    if any("\n" in line or "\r" in line for line in lines):
        fail(f"{path} has a line end other than CR LF")
    return lines


def listfile(path, names):
    lines = read_utf16_file(path)
    if lines != list(names):
        fail(f"{path} names {lines}, expected {list(names)}")
    print(f"{len(lines)} entries, in order")


def settings(path, pairs):
    lines = read_utf16_file(path)
    for pair in pairs:
        if pair not in lines:
            fail(f"{path} has no line {pair!r}; it holds {lines}")
    print("holds", ", ".join(pairs))
