"""A command run with a pseudo-terminal of a given width as its standard
output and error, for the tests of the progress line."""
import fcntl
import os
import pty
import select
import struct
import termios


def run_in_terminal(command, columns, timeout=30):
    """Runs `command` with `sh -c` in a terminal of 24 rows and `columns`
    columns; returns its exit code and all it wrote there."""
    pid, fd = pty.fork()
    if pid == 0:
        # Sized before the command starts, so its first look sees the width.
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
        os.execvp("sh", ["sh", "-c", command])
    out = b""
    while select.select([fd], [], [], timeout)[0]:
        try:
            chunk = os.read(fd, 4096)
        except OSError:  # the terminal closes when the command ends
            break
        if not chunk:
            break
        out += chunk
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status), out
