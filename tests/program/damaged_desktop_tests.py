#!/usr/bin/python3
"""The real program on a damaged desktop, and ended the ways a desktop ends it.

Each test starts tambourin in a home folder of its own under Xvfb, against a
home server of its own on 127.0.0.1:
- with one of the desktop's folders unusable (below a regular file, a file
  itself, a dangling link, a relative path): the window must open at its
  default place, the home page load with the sandbox on, one stderr line name
  the folder and what is lost, and the close box end the program with 0;
- ended by SIGTERM, SIGINT or SIGHUP (at start-up, twice, while the page
  loads, while a modal dialog is up): the window must close as its close box
  does, saving its place in the four geometry files, and the status be 0.
"""

import http.server
import os
import shutil
import signal
import tempfile
import threading
import time
import unittest

from run_program_tests import (ARTIFACTS, HOME_HOST, HOME_PORT, PAGE_TIMEOUT, TOOLBAR, Program,
                               geometry, run, send_delete_window, tambourin_window, wait_for,
                               wait_geometry, visible_windows)

DEFAULT_PLACE = (210, 100, 1020, 700)
MOVED_PLACE = (300, 150, 900, 600)
PARTS = ("top", "left", "height", "width")

PAGE = """<!doctype html><html><head><title>home</title></head><body style="margin:0">home
%s
<script>
window.addEventListener('load', function () {
  fetch('/loaded?t=' + Date.now(), {cache: 'no-store'});
});
</script></body></html>"""

# A file field that fills the top of the page: a click on it opens the
# toolkit's modal file chooser.
FILE_FIELD = '<input type="file" style="position:absolute;left:0;top:0;width:600px;height:300px">'
FILE_FIELD_POINT = (200, 150)


class Server:
    """The home server: "/" (held back while `hold` is set), "/loaded"."""

    def __init__(self):
        self.lock = threading.Lock()
        self.paths = []
        self.hold = threading.Event()
        self.file_field = False
        outer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, fmt, *args):
                pass

            def do_GET(self):
                with outer.lock:
                    outer.paths.append(self.path)
                if self.path == "/":
                    # Bounded: a held page is given after at most 20 s.
                    deadline = time.monotonic() + 20
                    while outer.hold.is_set() and time.monotonic() < deadline:
                        time.sleep(0.05)
                body = b""
                if self.path == "/":
                    body = (PAGE % (FILE_FIELD if outer.file_field else "")).encode()
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                self.wfile.write(body)

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", HOME_PORT), Handler)
        self.httpd.daemon_threads = True
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def seen(self, predicate):
        with self.lock:
            return [p for p in self.paths if predicate(p)]

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def descendants(pid):
    """(pid, command name) of every process below `pid`."""
    found = []
    todo = [pid]
    while todo:
        parent = todo.pop()
        try:
            with open("/proc/%d/task/%d/children" % (parent, parent)) as f:
                children = [int(c) for c in f.read().split()]
        except OSError:
            continue
        for child in children:
            try:
                with open("/proc/%d/comm" % child) as f:
                    found.append((child, f.read().strip()))
            except OSError:
                continue
            todo.append(child)
    return found


def catches(pid, signum):
    """Whether the process has a handler of its own for the signal."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("SigCgt:"):
                return bool(int(line.split()[1], 16) & (1 << (signum - 1)))
    return False


# One runtime folder for every run on this display: the session bus that the
# first run starts keeps its accessibility bus there, and the engine's sandbox
# binds it at each later start. The program's private folder goes there too,
# so that a test sees it.
RUNTIME = None


def setUpModule():
    global RUNTIME
    RUNTIME = tempfile.mkdtemp(prefix="tambourin-runtime-")


def tearDownModule():
    shutil.rmtree(RUNTIME, ignore_errors=True)


class DesktopTest(unittest.TestCase):
    server = None

    @classmethod
    def setUpClass(cls):
        os.makedirs(ARTIFACTS, exist_ok=True)
        cls.server = Server()
        cls.runtime = RUNTIME

    @classmethod
    def tearDownClass(cls):
        cls.server.close()

    def setUp(self):
        self.server.hold.clear()
        self.server.file_field = False
        self.program = None
        self.roots = []
        self.fresh()

    def fresh(self):
        """A new home, its private temporary folder and a regular file beside them."""
        self.finish()
        self.root = tempfile.mkdtemp(prefix="tambourin-desktop-")
        self.roots.append(self.root)
        self.home = os.path.join(self.root, "home")
        # Where the program makes its private folder when the runtime folder
        # cannot have it.
        self.tmp = os.path.join(self.root, "tmp")
        for sub in ("home/config", "home/data", "home/cache", "tmp"):
            os.makedirs(os.path.join(self.root, sub))
        with open(os.path.join(self.root, "file"), "w") as f:
            f.write("x")

    def finish(self):
        if self.program is not None:
            self.program.stop()
            with open(self.program.log_path, "rb") as f:
                print("---- %s ----\n%s" % (self.program.log_path,
                                            f.read().decode("utf-8", "replace")))
            self.program = None

    def tearDown(self):
        self.finish()
        for root in self.roots:
            shutil.rmtree(root, ignore_errors=True)

    # Helpers -----------------------------------------------------------------

    def start(self, environment=None, name="run"):
        environment = dict(environment or {})
        environment.setdefault("XDG_RUNTIME_DIR", self.runtime)
        environment.setdefault("TMPDIR", self.tmp)
        log = os.path.join(ARTIFACTS, "%s-%s.log" % (self.id().split(".")[-1], name))
        self.loads_before = len(self.server.seen(lambda p: p.startswith("/loaded")))
        self.program = Program(self.home, log, environment)
        return self.program

    def window(self):
        return self.program.window()

    def wait_place(self, expected, what):
        wait_geometry(self.window, expected, what)

    def wait_home_page(self):
        wait_for(lambda: len(self.server.seen(lambda p: p.startswith("/loaded")))
                 > self.loads_before, PAGE_TIMEOUT, "the home page's load event")

    def assert_sandboxed(self):
        names = [name for _, name in descendants(self.program.process.pid)]
        self.assertIn("bwrap", names, "the web process must run in the sandbox: %s" % names)

    def own_lines(self):
        return [line for line in self.program.output().splitlines()
                if line.startswith("tambourin:")]

    def saved(self, folder):
        values = {}
        for part in PARTS:
            path = os.path.join(folder, "%s-%s.txt" % (HOME_HOST, part))
            if os.path.exists(path):
                with open(path, "rb") as f:
                    values[part] = f.read()
        return values

    def assert_saved(self, folder, place):
        left, top, width, height = place
        self.assertEqual(self.saved(folder), {"top": b"%d" % top, "left": b"%d" % left,
                                              "height": b"%d" % height,
                                              "width": b"%d" % width})

    def private_folders(self):
        return [os.path.join(folder, name) for folder in (self.runtime, self.tmp)
                for name in os.listdir(folder) if name.startswith("tambourin-")]

    def geometry_files_anywhere(self):
        found = []
        for base, _, files in os.walk(self.root):
            found += [os.path.join(base, f) for f in files if f.startswith(HOME_HOST)]
        return found

    def close_box(self):
        send_delete_window(self.window())
        self.assertEqual(self.program.wait_exit(PAGE_TIMEOUT), 0, "exit status after the close")


class DamagedFolderTests(DesktopTest):
    """Start-up with one of the desktop's folders unusable."""

    def check_damaged(self, name, environment, named, lost, place_kept):
        self.start(environment, name.replace(" ", "-").replace("'", ""))
        self.wait_place(DEFAULT_PLACE, "a damaged desktop: the default place")
        self.wait_home_page()
        self.assert_sandboxed()
        private = self.private_folders()
        self.assertLessEqual(len(private), 1, "at most one private folder: %s" % private)

        # Before the close: exactly one line, naming each folder and each loss.
        lines = self.own_lines()
        self.assertEqual(len(lines), 1, lines)
        for path in named:
            self.assertIn(path, lines[0])
        for what in lost:
            self.assertIn(what, lines[0])
        if not lost:
            self.assertNotIn("not kept", lines[0])

        self.close_box()
        config = os.path.join(self.home, "config")
        if place_kept:
            self.assert_saved(config, DEFAULT_PLACE)
            self.assertEqual(sorted(self.geometry_files_anywhere()), sorted(
                os.path.join(config, "%s-%s.txt" % (HOME_HOST, p)) for p in PARTS))
        else:
            # Nothing saved anywhere as though it were kept, and the close says so.
            self.assertEqual(self.geometry_files_anywhere(), [])
            self.assertTrue(any("could not save" in line for line in self.own_lines()[1:]))
        self.assertEqual(self.private_folders(), [],
                         "the private folder (%s) must be gone at exit" % private)

    def test_unusable_folders(self):
        place = "the window's place is not kept"
        cookies = "cookies are not kept"
        cache = "the web cache is not kept"
        # Paths are within each case's own root folder, where "file" is a
        # regular file, "dangling" a link to nothing and "d2/tambourin" a file
        # where the program's data folder belongs.
        cases = [
            # name, variables, folders named, losses, place kept
            ("config below a file", {"XDG_CONFIG_HOME": "file/config"},
             ["file/config"], [place], False),
            ("data below a file", {"XDG_DATA_HOME": "file/data"}, ["file/data"], [cookies], True),
            ("cache below a file", {"XDG_CACHE_HOME": "file/cache"}, ["file/cache"], [cache],
             True),
            ("config is a file", {"XDG_CONFIG_HOME": "file"}, ["file"], [place], False),
            ("config a dangling link", {"XDG_CONFIG_HOME": "dangling"}, ["dangling"], [place],
             False),
            ("data's own folder is a file", {"XDG_DATA_HOME": "d2"}, ["d2/tambourin"], [cookies],
             True),
            ("home below a file", {"HOME": "file/home"}, ["file/home"], [], True),
            ("runtime below a file", {"XDG_RUNTIME_DIR": "file/run"}, ["file/run"], [], True),
            ("all three below a file", {"XDG_CONFIG_HOME": "file/config",
                                        "XDG_DATA_HOME": "file/data",
                                        "XDG_CACHE_HOME": "file/cache"},
             ["file/config", "file/data", "file/cache"], [place, cookies, cache], False),
        ]
        for name, variables, named, lost, kept in cases:
            with self.subTest(name):
                self.fresh()
                os.symlink(os.path.join(self.root, "nowhere"),
                           os.path.join(self.root, "dangling"))
                os.makedirs(os.path.join(self.root, "d2"))
                with open(os.path.join(self.root, "d2", "tambourin"), "w") as f:
                    f.write("x")
                at = lambda path: os.path.join(self.root, path)
                self.check_damaged(name, {k: at(v) for k, v in variables.items()},
                                   [at(path) for path in named], lost, kept)

    def test_relative_config_path_is_ignored(self):
        # A relative path is no folder of the desktop's: ~/.config is used, and kept.
        self.start({"XDG_CONFIG_HOME": "config"})
        self.wait_place(DEFAULT_PLACE, "a relative XDG_CONFIG_HOME: the default place")
        self.wait_home_page()
        lines = self.own_lines()
        self.assertEqual(len(lines), 1, lines)
        self.assertIn("XDG_CONFIG_HOME is not an absolute path", lines[0])
        self.close_box()
        self.assert_saved(os.path.join(self.home, ".config"), DEFAULT_PLACE)


class EndSignalTests(DesktopTest):
    """SIGTERM, SIGINT and SIGHUP close the window as its close box does."""

    def move_window(self):
        window = self.window()
        self.wait_place(DEFAULT_PLACE, "first start")
        run("xdotool", "windowmove", str(window), str(MOVED_PLACE[0]), str(MOVED_PLACE[1]))
        run("xdotool", "windowsize", str(window), str(MOVED_PLACE[2]), str(MOVED_PLACE[3]))
        self.wait_place(MOVED_PLACE, "moved and resized")
        time.sleep(1)  # let GTK take in the last configure before the signal

    def send(self, signum):
        self.program.process.send_signal(signum)

    def assert_ended_saving(self, place):
        self.assertEqual(self.program.wait_exit(PAGE_TIMEOUT), 0, "exit status after the signal")
        self.assert_saved(os.path.join(self.home, "config"), place)
        self.assertEqual(self.own_lines(), [])

    def test_each_signal_saves_the_place(self):
        for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal.Signals(signum).name):
                self.fresh()
                self.start()
                self.wait_home_page()
                self.move_window()
                self.send(signum)
                self.assert_ended_saving(MOVED_PLACE)
                self.assertIsNone(tambourin_window())

    def test_signal_during_start_up(self):
        # As soon as the program listens for the signal, well before its window
        # is up: the window still opens, and closes at its default place.
        self.start()
        pid = self.program.process.pid
        wait_for(lambda: self.program.process.poll() is not None or catches(pid, signal.SIGTERM),
                 PAGE_TIMEOUT, "the program to listen for SIGTERM", interval=0.001)
        self.send(signal.SIGTERM)
        self.assert_ended_saving(DEFAULT_PLACE)

    def test_repeated_signals(self):
        self.start()
        self.wait_home_page()
        self.move_window()
        for signum in (signal.SIGTERM, signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            self.send(signum)
        self.assert_ended_saving(MOVED_PLACE)

    def test_signal_while_the_page_loads(self):
        self.server.hold.set()
        self.start()
        self.wait_place(DEFAULT_PLACE, "first start")
        wait_for(lambda: self.server.seen(lambda p: p == "/"), PAGE_TIMEOUT, "GET /")
        self.send(signal.SIGTERM)
        self.assert_ended_saving(DEFAULT_PLACE)
        self.server.hold.clear()

    def test_signal_while_a_modal_dialog_is_up(self):
        # The user opened the page's file chooser, a modal dialog that runs
        # while the window waits under it.
        self.server.file_field = True
        self.start()
        self.wait_home_page()
        self.wait_place(DEFAULT_PLACE, "first start")
        main = self.window()
        run("xdotool", "mousemove", "--window", str(main), str(FILE_FIELD_POINT[0]),
            str(TOOLBAR + FILE_FIELD_POINT[1]), "click", "1")
        wait_for(lambda: [w for w in visible_windows("") if w != main and geometry(w)[2] >= 200],
                 PAGE_TIMEOUT, "the file chooser")
        self.send(signal.SIGTERM)
        self.assert_ended_saving(DEFAULT_PLACE)

if __name__ == "__main__":
    unittest.main(verbosity=2)
