#!/usr/bin/env python3
"""The game on a real X server under a window manager that draws frames (openbox on Xvfb),
on the screens players have, checked from outside as a person sees it: every window shown
lies wholly on the screen, frame and title bar included; Enter in the size window starts the
size that has the focus; the main window's keys work while the analysis has the focus; and a
move made with real mouse clicks is answered by the computer.

Usage: desktop-test.py ORBELFIVE [--keep FOLDER]. Exits 77 (skipped) when no X server can be
started here, saying why. With --keep, a screenshot of every screen is left in FOLDER.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

# Width x height, the desktop's scaling, and whether to play there: a move is clicked where
# the design puts its cells, so only on a screen with room for the designed size.
SCREENS = [
    ("1366x768", "1", False),
    ("1920x1080", "1", True),
    ("1920x1080", "1.5", False),
    ("1920x1080", "2", False),
    ("1280x1024", "1", False),
    ("3840x2160", "2", False),
]
TOOLS = ["Xvfb", "openbox", "xdotool", "xwininfo"]
SKIPPED = 77


class Failure(Exception):
    pass


def wait_for(what, test, timeout=20.0):
    end = time.monotonic() + timeout
    while True:
        result = test()
        if result:
            return result
        if time.monotonic() > end:
            raise Failure("waited in vain for " + (what() if callable(what) else what))
        time.sleep(0.05)


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
        self.manager = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        # openbox has taken the screen once it owns the window manager selection.
        wait_for("openbox", lambda: "_NET_SUPPORTING_WM_CHECK" in self.x("xprop", "-root"))

    def close(self):
        for process in (self.manager, self.server):
            process.terminate()
            process.wait()

    def x(self, *command):
        done = subprocess.run(command, env=self.env, capture_output=True, text=True)
        return done.stdout

    def key(self, *keys):
        self.x("xdotool", "key", "--delay", "60", *keys)

    def type(self, text):
        self.x("xdotool", "type", "--delay", "30", text)

    def click(self, x, y):
        self.x("xdotool", "mousemove", str(x), str(y), "click", "1")

    def windows(self):
        """The program's windows shown now, without openbox's frames: id to title."""
        ids = self.x("xdotool", "search", "--onlyvisible", "--class", "^orbelfive$").split()
        return {w: self.x("xdotool", "getwindowname", w).strip() for w in ids}

    def geometry(self, window):
        info = self.x("xwininfo", "-id", window)
        value = lambda name: int(re.search(name + r":\s+(-?\d+)", info).group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                value("Height"))

    def frame(self, window):
        """The outermost window around `window` below the root: the frame openbox draws."""
        while True:
            tree = self.x("xwininfo", "-tree", "-id", window)
            root = re.search(r"Root window id: (0x[0-9a-f]+)", tree).group(1)
            parent = re.search(r"Parent window id: (0x[0-9a-f]+)", tree).group(1)
            if parent == root:
                return self.geometry(window)
            window = parent


class Run:
    """The program started afresh on a desktop: a new home, no settings."""

    def __init__(self, desktop, program, scale, home):
        self.desktop = desktop
        self.home = home
        env = dict(desktop.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"), XDG_RUNTIME_DIR=home,
                   QT_QPA_PLATFORM="xcb", QT_SCALE_FACTOR=scale)
        self.process = subprocess.Popen([program], env=env, cwd=home, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.checked = []

    def shown(self):
        return self.desktop.windows()

    def opens(self, title, act=lambda: None, active=True):
        """Waits for a window of `title` that `act` opens, active unless told, and checks
        every window shown then."""
        before = self.shown()
        act()

        def opened():
            for window, name in self.shown().items():
                if window not in before and name == title:
                    return window
            return None
        window = wait_for(lambda: "the window %s (shown: %s)" % (title, self.shown()), opened)
        if active:
            active_now = lambda: self.desktop.x("xdotool", "getactivewindow").strip()
            wait_for(lambda: "the window %s active (shown: %s, active: %s)" %
                     (title, self.shown(), active_now()), lambda: active_now() == window)
        self.check_frames()
        return window

    def check_frames(self):
        """Every window shown lies wholly on the screen, once its frame stands still."""
        width, height = self.desktop.size
        for window, name in self.shown().items():
            def settled():
                first = self.desktop.frame(window)
                time.sleep(0.15)
                return first if first == self.desktop.frame(window) else None
            x, y, w, h = wait_for("a still frame", settled)
            self.checked.append("%s %dx%d%+d%+d" % (name, w, h, x, y))
            if x < 0 or y < 0 or x + w > width or y + h > height:
                raise Failure("'%s' framed at %dx%d%+d%+d, off the %dx%d screen" %
                              (name, w, h, x, y, width, height))

    def ended(self, timeout=10.0):
        try:
            self.process.wait(timeout)
            return True
        except subprocess.TimeoutExpired:
            return False


def saved_record(path):
    wait_for("the record " + path, lambda: os.path.exists(path))
    return [int(value) for value in open(path).read().split()]


def play_a_move(run, main):
    """Blue places left of Red's centre orbel and pushes right, by three clicks where the
    design puts the cell, the arrow and the centre mark of a 9 x 9 board."""
    desktop = run.desktop
    x, y, w, h = desktop.geometry(main)
    menu = h - 761  # the board's area below the menus is the designed 1077 x 761
    if w != 1077 or menu <= 0:
        raise Failure("the main window is %dx%d, not at its designed size" % (w, h))
    at = lambda cx, cy: desktop.click(x + cx, y + menu + cy)
    at(40 + 50 * 3 + 25, 20 + 50 * 4 + 25)   # cell 40
    at(590 + 34 + 16, 245 + 16)               # the arrow pushing right
    at(590 + 16, 245 + 16)                    # the centre mark confirms


def one_screen(program, size, scale, play, keep):
    desktop = Desktop(size)
    home = tempfile.mkdtemp(prefix="orbelfive-desktop-")
    run = Run(desktop, program, scale, home)
    try:
        run.opens("About Orbel Five")
        # A first start: the focus is on the first size; two Tabs bring it to 9.
        main = run.opens("Orbel Five", lambda: desktop.key("Tab", "Tab", "Return"))
        if play:
            play_a_move(run, main)
            time.sleep(1.0)  # the computer answers at Easy in a moment
        # The analysis opens beside the board with the focus on its list; the main window's
        # keys work from there.
        width = desktop.geometry(main)[2]
        desktop.key("a")
        time.sleep(0.5)
        run.check_frames()
        if play:
            # Floated off by a double click on its title, it stands beside the board.
            x, y, w, h = desktop.geometry(main)
            title = (x + width + 40, y + h - 761 + 10)
            run.opens("Analysis", lambda: desktop.x("xdotool", "mousemove", *map(str, title),
                                                    "click", "--repeat", "2", "1"),
                      active=False)
            desktop.key("a", "a")  # closed and opened again, with the focus on its list
        run.opens("Orbel Five Game Rules", lambda: desktop.key("F1"))
        desktop.key("Escape")
        wait_for("the rules closed", lambda: "Orbel Five Game Rules" not in run.shown().values())
        run.opens("開く", lambda: desktop.key("ctrl+o"))
        desktop.type("missing.rec")
        # A message box says that the file is missing.
        run.opens("Orbel Five", lambda: desktop.key("Return"))
        desktop.key("Return", "Escape")
        wait_for("the file dialog closed", lambda: "開く" not in run.shown().values())
        run.opens("新規保存", lambda: desktop.key("ctrl+s"))
        desktop.type("game.rec")
        desktop.key("Return")
        record = saved_record(os.path.join(home, "game.rec"))
        if record[0] != 9:
            raise Failure("Enter in the size window started %d, not 9" % record[0])
        if play and record[2] != 2:
            raise Failure("the record holds %d moves, not the move and its answer" % record[2])
        if keep:
            desktop.x("import", "-window", "root", os.path.join(keep, "%s-x%s.png" % (size, scale)))
        desktop.key("a", "a", "ctrl+q")
        if not run.ended():
            raise Failure("Ctrl+Q with the analysis focused left the program running")
        return run.checked
    finally:
        if run.process.poll() is None:
            run.process.kill()
            run.process.wait()
        desktop.close()
        shutil.rmtree(home, ignore_errors=True)


def main():
    program = os.path.abspath(sys.argv[1])
    keep = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--keep" else None
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    if missing:
        print("skipped: not installed: " + ", ".join(missing))
        return SKIPPED
    try:
        Desktop("640x480").close()
    except OSError as error:
        print("skipped: no X server can be started here: %s" % error)
        return SKIPPED
    failed = 0
    for size, scale, play in SCREENS:
        started = time.monotonic()
        try:
            checked = one_screen(program, size, scale, play, keep)
            print("%s at %s: %.1f s, framed: %s" %
                  (size, scale, time.monotonic() - started, "; ".join(sorted(set(checked)))))
        except Failure as failure:
            print("%s at %s: FAILED: %s" % (size, scale, failure))
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
