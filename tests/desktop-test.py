#!/usr/bin/env python3
"""The game on a real X server under a window manager that draws frames (openbox on Xvfb),
on the screens players have, checked from outside as a person sees it: every window shown
lies wholly on the screen, frame included; Enter in the size window starts the focused size;
the main window's keys work while the analysis has the focus; a move on the board (clicked
where the screen has room for the designed size, keyed elsewhere) is answered by the
computer; and, started again, Enter in the size window brings that game back.

Usage: desktop-test.py ORBELFIVE [--keep FOLDER], which keeps a screenshot of each screen.
Exits 77 (skipped) when no X server can be started here, saying why."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

# Size, scale, and whether to play: the move is clicked where the design puts its cells,
# so on a screen with room for the designed size.
SCREENS = [("1366x768", "1", False), ("1920x1080", "1", True), ("1920x1080", "1.5", False),
           ("1920x1080", "2", False), ("1280x1024", "1", False), ("3840x2160", "2", False)]


class Failure(Exception):
    pass


def wait_for(what, test, timeout=20.0):
    end = time.monotonic() + timeout
    while not (result := test()):
        if time.monotonic() > end:
            raise Failure("waited in vain for " + (what() if callable(what) else what))
        time.sleep(0.05)
    return result


class Desktop:
    """An X server of one screen size with openbox on it."""

    def __init__(self, size):
        self.size = tuple(int(n) for n in size.split("x"))
        read, write = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", size + "x24", "-nolisten", "tcp"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as display:
            number = display.readline().strip()
        if not number:
            self.server.wait()
            raise OSError("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number)
        # On a loaded machine openbox now and then gives up on a server still starting:
        # it is started once more before the screen counts as failed.
        for attempt in (1, 2):
            said = tempfile.TemporaryFile(mode="w+")
            self.manager = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                            stderr=said)
            try:
                wait_for("openbox", self.managed, timeout=30.0)
                break
            except Failure:
                self.manager.terminate()
                self.manager.wait()
                said.seek(0)
                if attempt == 2:
                    self.server.terminate()
                    self.server.wait()
                    raise Failure("waited in vain for openbox: " +
                                  (said.read().strip() or "it said nothing"))

    def managed(self):
        return "_NET_SUPPORTING_WM_CHECK" in self.x("xprop", "-root")

    def close(self):
        for process in (self.manager, self.server):
            process.terminate()
            process.wait()

    def x(self, *command):
        return subprocess.run(command, env=self.env, capture_output=True, text=True).stdout

    def key(self, *keys):
        self.x("xdotool", "key", "--delay", "60", *keys)

    def click(self, x, y, times=1):
        self.x("xdotool", "mousemove", str(x), str(y), "click", "--repeat", str(times), "1")

    def windows(self):
        """The program's windows shown now (openbox's frames have no class): id to title."""
        ids = self.x("xdotool", "search", "--onlyvisible", "--class", "^orbelfive$").split()
        return {w: self.x("xdotool", "getwindowname", w).strip() for w in ids}

    def geometry(self, window):
        info = self.x("xwininfo", "-id", window)
        return tuple(int(re.search(name + r":\s+(-?\d+)", info).group(1)) for name in
                     ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def frame(self, window):
        """The outermost window around `window` below the root: the frame openbox draws."""
        while True:
            tree = self.x("xwininfo", "-tree", "-id", window)
            root, parent = re.findall(r"(?:Root|Parent) window id: (0x[0-9a-f]+)", tree)
            if parent == root:
                return self.geometry(window)
            window = parent


class Run:
    """The program started afresh: a new home, no settings."""

    def __init__(self, desktop, program, scale, home):
        self.desktop = desktop
        env = dict(desktop.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"), XDG_RUNTIME_DIR=home,
                   QT_QPA_PLATFORM="xcb", QT_SCALE_FACTOR=scale)
        self.process = subprocess.Popen([program], env=env, cwd=home, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.checked = set()

    def opens(self, title, act=lambda: None, active=True):
        """Waits for a window of `title` that `act` opens, active unless told, and checks
        every window shown then."""
        before = self.desktop.windows()
        act()
        opened = lambda: next((w for w, name in self.desktop.windows().items()
                               if w not in before and name == title), None)
        window = wait_for(lambda: "%s (shown: %s)" % (title, self.desktop.windows()), opened)
        active_now = lambda: self.desktop.x("xdotool", "getactivewindow").strip()
        if active:
            wait_for(lambda: "%s active (active: %s)" % (title, active_now()),
                     lambda: active_now() == window)
        self.check_frames()
        return window

    def closes(self, title, act):
        act()
        wait_for(title + " closed", lambda: title not in self.desktop.windows().values())

    def check_frames(self):
        """Every window shown lies wholly on the screen, once its frame stands still."""
        width, height = self.desktop.size
        for window, name in self.desktop.windows().items():
            def still():
                first = self.desktop.frame(window)
                time.sleep(0.15)
                return first if first == self.desktop.frame(window) else None
            x, y, w, h = wait_for("a still frame", still)
            self.checked.add("%s %dx%d%+d%+d" % (name, w, h, x, y))
            if x < 0 or y < 0 or x + w > width or y + h > height:
                raise Failure("'%s' framed at %dx%d%+d%+d, off the screen" % (name, w, h, x, y))


def play_a_move(desktop, main):
    """Blue places left of Red's centre orbel on a 9 x 9 board and pushes right: the cell, the
    arrow and the centre mark clicked where the design puts them."""
    x, y, w, h = desktop.geometry(main)
    menu = h - 761  # below the menus, the board's area is the designed 1077 x 761
    if w != 1077 or menu <= 0:
        raise Failure("the main window is %dx%d, not at its designed size" % (w, h))
    for cx, cy in ((215, 245), (640, 261), (606, 261)):
        desktop.click(x + cx, y + menu + cy)
    time.sleep(2.0)  # the computer answers at Easy in a moment


def one_screen(program, size, scale, play, keep):
    desktop = Desktop(size)
    home = tempfile.mkdtemp(prefix="orbelfive-desktop-")
    run = Run(desktop, program, scale, home)
    key = desktop.key
    try:
        run.opens("About Orbel Five")
        # A first start: the focus is on the first size; two Tabs bring it to 9.
        main = run.opens("Orbel Five", lambda: key("Tab", "Tab", "Return"))
        if play:
            play_a_move(desktop, main)
        else:
            # The same move from the keyboard: left of the centre, pushed right, confirmed.
            key("Left", "Return", "Right", "Return")
            time.sleep(2.0)
        # The analysis opens beside the board with the focus on its list, and the main
        # window's keys work from there.
        width = desktop.geometry(main)[2]
        key("a")
        time.sleep(0.5)
        run.check_frames()
        if play:
            # Floated off by a double click on its title, it stands beside the board; closed
            # and opened again, it has the focus.
            x, y, w, h = desktop.geometry(main)
            run.opens("Analysis", lambda: desktop.click(x + width + 40, y + h - 761 + 10, 2),
                      active=False)
            key("a", "a")
        run.opens("Orbel Five Game Rules", lambda: key("F1"))
        run.closes("Orbel Five Game Rules", lambda: key("Escape"))
        run.opens("開く", lambda: key("ctrl+o"))
        desktop.x("xdotool", "type", "missing.rec")
        run.opens("Orbel Five", lambda: key("Return"))  # the box saying it is missing
        run.closes("開く", lambda: key("Return", "Escape"))
        run.opens("新規保存", lambda: key("ctrl+s"))
        desktop.x("xdotool", "type", "game.rec")
        key("Return")
        path = os.path.join(home, "game.rec")
        wait_for("the saved record", lambda: os.path.exists(path))
        record = [int(value) for value in open(path).read().split()]
        if record[0] != 9:
            raise Failure("Enter in the size window started %d, not 9" % record[0])
        if record[2] != 2:
            raise Failure("the record holds %d moves, not the move and its answer" % record[2])
        if keep:
            desktop.x("import", "-window", "root", os.path.join(keep, "%s-x%s.png" % (size, scale)))
        key("a", "a", "ctrl+q")
        try:
            run.process.wait(10)
        except subprocess.TimeoutExpired:
            raise Failure("Ctrl+Q with the analysis focused left the program running")
        # Started again, the size window offers the game left, focused: Enter brings it back.
        checked = run.checked
        run = Run(desktop, program, scale, home)
        run.opens("About Orbel Five")
        if keep:
            desktop.x("import", "-window", "root",
                      os.path.join(keep, "continue-%s-x%s.png" % (size, scale)))
        run.opens("Orbel Five", lambda: key("Return"))
        run.opens("新規保存", lambda: key("ctrl+s"))
        desktop.x("xdotool", "type", "again.rec")
        key("Return")
        again = os.path.join(home, "again.rec")
        wait_for("the record saved after Continue", lambda: os.path.exists(again))
        if open(again).read() != open(path).read():
            raise Failure("Continue brought back another game than the one left")
        key("ctrl+q")
        run.process.wait(10)
        return checked | run.checked
    finally:
        if run.process.poll() is None:
            run.process.kill()
            run.process.wait()
        desktop.close()
        shutil.rmtree(home, ignore_errors=True)


def main():
    program = os.path.abspath(sys.argv[1])
    keep = sys.argv[3] if sys.argv[2:3] == ["--keep"] else None
    missing = [t for t in ("Xvfb", "openbox", "xdotool", "xwininfo", "xprop") if not shutil.which(t)]
    if missing:
        print("skipped: not installed: " + ", ".join(missing))
        return 77
    try:
        Desktop("640x480").close()
    except OSError as error:
        print("skipped: no X server can be started here: %s" % error)
        return 77
    failed = 0
    for size, scale, play in SCREENS:
        started = time.monotonic()
        try:
            checked = one_screen(program, size, scale, play, keep)
            print("%s at %s: %.1f s, framed: %s" %
                  (size, scale, time.monotonic() - started, "; ".join(sorted(checked))))
        except Failure as failure:
            print("%s at %s: FAILED: %s" % (size, scale, failure))
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
