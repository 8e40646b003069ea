"""Gates for tests: wait until a condition on files holds, woken by the
kernel (inotify) whenever something in the watched folders changes, never by
a timer.  A test or a stand-in blocks on a gate file another process makes,
or on a journal reaching some state; the timeout only ends a hung test.

    wait_for(lambda: os.path.exists(gate), [os.path.dirname(gate)])
"""

import ctypes
import os
import select
import time

_IN_MODIFY, _IN_CLOSE_WRITE, _IN_MOVED_TO, _IN_CREATE, _IN_DELETE = 0x2, 0x8, 0x80, 0x100, 0x200
_EVENTS = _IN_MODIFY | _IN_CLOSE_WRITE | _IN_MOVED_TO | _IN_CREATE | _IN_DELETE
_libc = ctypes.CDLL(None, use_errno=True)


class GateTimeout(Exception):
    """The condition did not hold within the timeout."""


def wait_for(condition, folders, timeout=120):
    """Returns once condition() is true; it is tested at once and again after
    every change (file made, written, renamed or removed) in the folders.
    Raises GateTimeout after timeout seconds."""
    fd = _libc.inotify_init1(os.O_CLOEXEC)
    if fd < 0:
        raise OSError(ctypes.get_errno(), "inotify_init1")
    try:
        for folder in folders:
            if _libc.inotify_add_watch(fd, os.fsencode(folder or "."), _EVENTS) < 0:
                raise OSError(ctypes.get_errno(), "inotify_add_watch %s" % folder)
        deadline = time.monotonic() + timeout
        while not condition():
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                raise GateTimeout("no change made the condition true in %g s" % timeout)
            os.read(fd, 65536)      # the events only wake us: the condition decides
    finally:
        os.close(fd)


def wait_for_file(path, timeout=120):
    """Returns once path exists (see wait_for)."""
    wait_for(lambda: os.path.exists(path), [os.path.dirname(path)], timeout)

