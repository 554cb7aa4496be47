#!/usr/bin/python3
"""The real program under Xvfb with geometry files that are not what it saved.

Each test starts tambourin in a fresh home of its own whose preferences folder
holds a damaged or hostile set of the four geometry files (a FIFO, a link to
/dev/zero, 200 MB of digits, a size no screen can hold), or kills the program
in the middle of its save, and checks the window, the line on stderr, the exit
status and what is left on disk. The home server is the test's own on
127.0.0.1, as in run_program_tests.py, whose helpers these tests share.
"""

import http.server
import os
import random
import re
import shutil
import signal
import stat
import tempfile
import threading
import time
import unittest

from run_program_tests import (ARTIFACTS, HOME_HOST, HOME_PORT, PAGE_TIMEOUT, Program, Requests,
                               geometry, make_handler, run, send_delete_window, wait_for)

SUFFIXES = ("top", "left", "height", "width")
DEFAULT_PLACE = (210, 100, 1020, 700)  # 1020 x 700 centred on the 1440 x 900 screen
SCREEN = (0, 0, 1440, 900)
# A temporary file of an unfinished save: the file's name, the save's mark, six letters or
# digits.
TEMPORARY = re.compile(r"^127\.0\.0\.1:%d-(top|left|height|width)\.txt\.tambourin-save-"
                       r"[A-Za-z0-9]{6}$" % HOME_PORT)


class DamagedFilesTests(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        os.makedirs(ARTIFACTS, exist_ok=True)
        cls.requests = Requests()
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", HOME_PORT),
                                                     make_handler(HOME_PORT, cls.requests))
        cls.server.daemon_threads = True
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        # The homes outlive their tests: the first start leaves the display's
        # accessibility bus listening under its home's cache folder, and every
        # later start has the sandbox bind that path (a missing one aborts it).
        cls.root = tempfile.mkdtemp(prefix="tambourin-damaged-")

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.root, ignore_errors=True)

    def setUp(self):
        self.home = tempfile.mkdtemp(dir=self.root)
        for sub in ("config", "data", "cache"):
            os.makedirs(os.path.join(self.home, sub))
        self.programs = []

    def tearDown(self):
        for program in self.programs:
            output = program.output()
            program.stop()
            # Shown by ctest when something failed.
            print("---- %s ----\n%s" % (os.path.basename(program.log_path), output))
        shutil.rmtree(os.path.join(self.home, "config"), ignore_errors=True)

    # Helpers -----------------------------------------------------------------

    def path(self, part):
        return os.path.join(self.home, "config", "%s-%s.txt" % (HOME_HOST, part))

    def write_set(self, top, left, height, width):
        for part, value in zip(SUFFIXES, (top, left, height, width)):
            with open(self.path(part), "w") as f:
                f.write(value)

    def read_set(self):
        values = {}
        for part in SUFFIXES:
            with open(self.path(part), "rb") as f:
                values[part] = f.read()
        return values

    def start(self, label):
        program = Program(self.home, os.path.join(ARTIFACTS, "damaged-%s-%d.log"
                                                  % (label, len(self.programs))))
        self.programs.append(program)
        return program

    def close_and_expect_zero(self, program, window):
        send_delete_window(window)
        self.assertEqual(program.wait_exit(PAGE_TIMEOUT), 0, "exit status after the close")

    def expect_window_at(self, window, expected, what):
        last = []

        def matches():
            last[:] = [geometry(window)]
            return last[0] == expected
        try:
            wait_for(matches, PAGE_TIMEOUT, what)
        except AssertionError:
            self.fail("%s: the window is at %s, expected %s" % (what, last[0], expected))

    def temporaries(self):
        return sorted(n for n in os.listdir(os.path.join(self.home, "config"))
                      if TEMPORARY.match(n))

    def expect_whole_set(self, what):
        for part, value in self.read_set().items():
            self.assertRegex(value.decode("ascii", "replace"), r"^-?[0-9]{1,10}$",
                             "%s: the %s file holds %r" % (what, part, value))

    def damaged_start(self, label, damaged_part):
        """Starts with the set damaged in one file; the window must open at
        the defaults with one line naming that file, and its close must put
        a whole set of plain files in place."""
        started = time.monotonic()
        program = self.start(label)
        window = program.window()
        self.expect_window_at(window, DEFAULT_PLACE, "%s: the default place" % label)
        appeared = time.monotonic() - started
        named = [line for line in program.output().splitlines()
                 if "%s-%s.txt" % (HOME_HOST, damaged_part) in line]
        self.assertEqual(len(named), 1, "%s: one stderr line naming the file, got: %s"
                         % (label, program.output()))
        self.assertIn("default place", named[0])
        wait_for(lambda: "/" in self.requests.paths(HOME_PORT), PAGE_TIMEOUT,
                 "%s: the home page load" % label)
        self.close_and_expect_zero(program, window)
        for part in SUFFIXES:
            mode = os.lstat(self.path(part)).st_mode
            self.assertTrue(stat.S_ISREG(mode), "%s: the %s file is not a plain file after "
                            "the save" % (label, part))
        self.assertEqual(self.read_set(), {"top": b"100", "left": b"210", "height": b"700",
                                           "width": b"1020"})
        self.assertEqual(self.temporaries(), [])
        return appeared

    # The tests ---------------------------------------------------------------

    def test_a_fifo_as_the_top_file(self):
        self.write_set("40", "30", "500", "800")
        os.remove(self.path("top"))
        os.mkfifo(self.path("top"))
        self.damaged_start("fifo", "top")

    def test_a_link_to_dev_zero(self):
        self.write_set("40", "30", "500", "800")
        os.remove(self.path("width"))
        os.symlink("/dev/zero", self.path("width"))
        self.damaged_start("devzero", "width")
        self.assertTrue(os.path.exists("/dev/zero"), "the save replaced the link, not its target")

    def test_200_mb_of_digits(self):
        self.write_set("40", "30", "500", "800")
        chunk = b"1234567890" * (1 << 16)
        with open(self.path("height"), "wb") as f:
            for _ in range((200 << 20) // len(chunk)):
                f.write(chunk)
        self.damaged_start("huge", "height")

    def test_a_size_no_screen_holds(self):
        for label, height, width, expected in (
                ("largest", "2147483647", "2147483647", SCREEN),
                ("wide", "600", "20000", (0, 40, 1440, 600))):
            self.write_set("40", "30", height, width)
            started = time.monotonic()
            program = self.start(label)
            window = program.window()
            self.expect_window_at(window, expected, "%s: within the 1440 x 900 desktop" % label)
            # A 32000 x 32000 window took some 28 seconds to appear; this one is
            # an ordinary start.
            self.assertLess(time.monotonic() - started, 15, "%s: the window was slow" % label)
            self.assertNotIn(".txt", program.output(), "a size is no damage to report")
            self.close_and_expect_zero(program, window)
            saved = self.read_set()
            self.assertEqual((saved["left"], saved["top"], saved["width"], saved["height"]),
                             tuple(str(v).encode() for v in expected))

    def test_killed_in_the_middle_of_its_save(self):
        self.write_set("40", "30", "500", "800")
        places = [(300, 200, 700, 450), (30, 40, 800, 500)]
        for i in range(4):
            before = self.read_set()
            at = tuple(int(before[k]) for k in ("left", "top", "width", "height"))
            moved = places[i % 2]
            program = self.start("kill")
            window = program.window()
            self.expect_window_at(window, at, "round %d: the saved place" % i)
            run("xdotool", "windowmove", str(window), str(moved[0]), str(moved[1]))
            run("xdotool", "windowsize", str(window), str(moved[2]), str(moved[3]))
            self.expect_window_at(window, moved, "round %d: moved" % i)
            time.sleep(0.5)  # let GTK take in the last configure before the close
            send_delete_window(window)
            # Somewhere in the few milliseconds of the save, or just before it.
            time.sleep(random.uniform(0.0, 0.03))
            try:
                os.kill(program.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            program.process.wait(PAGE_TIMEOUT)
            # Each file whole: the old value or the new one, nothing else.
            new = dict(zip(("left", "top", "width", "height"),
                           (str(v).encode() for v in moved)))
            for part, value in self.read_set().items():
                self.assertIn(value, (before[part], new[part]), "round %d, %s" % (i, part))
            # A mixed set opens wherever it says; the next round starts from it.
        # What a save killed before its renames leaves, whether or not this
        # loop happened to leave any.
        litter = self.path("left") + ".tambourin-save-k1LL3d"
        with open(litter, "w") as f:
            f.write("31")
        # The user's own files beside the set, named as copies often are.
        not_ours = [self.path("left") + ".mine", self.path("top") + ".backup",
                    self.path("top") + ".ABCDEF1",
                    os.path.join(os.path.dirname(self.path("top")), "other-top.txt.ABCDEF")]
        for name in not_ours:
            with open(name, "w") as f:
                f.write("keep")
        before = self.read_set()
        program = self.start("after-kills")
        window = program.window()
        self.expect_window_at(window, tuple(int(before[k]) for k in ("left", "top", "width",
                                                                      "height")),
                              "after the kills: the saved place")
        self.close_and_expect_zero(program, window)
        self.expect_whole_set("after the kills")
        self.assertEqual(self.temporaries(), [], "the next save removes what a killed one left")
        for name in not_ours:
            with open(name) as f:
                self.assertEqual(f.read(), "keep", name)


if __name__ == "__main__":
    unittest.main(verbosity=2)
