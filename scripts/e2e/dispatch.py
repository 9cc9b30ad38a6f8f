"""The failure report and the command dispatch shared by the end-to-end helpers (screens.py, hotplug.py,
presenter.py): a failed check prints "FAIL: ..." on stderr and exits with 1, so that the shell script
that called it stops at the first failure.

Only the standard library is needed; run it with /usr/bin/python3.
"""

import sys


def fail(message):
    print(f"FAIL: {message}", file=sys.stderr)
    sys.exit(1)


def run(argv, commands, usage):
    """Runs the command argv[1] of `commands` (name: (least arguments, function of the arguments)), or
    prints `usage` and exits with 2 when there is no such command or too few arguments."""
    if len(argv) < 2 or argv[1] not in commands or len(argv) - 2 < commands[argv[1]][0]:
        print(usage, file=sys.stderr)
        sys.exit(2)
    commands[argv[1]][1](argv[2:])
