#!/usr/bin/python3
"""The real program against pages that try to hurt the user.

Each test starts tambourin in a home of its own against a web server of the
test's on 127.0.0.1, lets a hostile page do its worst, drives the window with
the real pointer, and looks at what landed on disk, in the server's log and
in the window list:

- downloads: no page can delete, replace or overwrite a file of the user's,
  and only the user's own clicks download anything;
- print(): refused, and the close box still saves the place and ends the
  program while a page asks to print again and again;
- dialogs and busy scripts: the toolbar's home button still takes the user
  away within a few seconds.
"""

import os
import shutil
import socket
import sys
import tempfile
import threading
import time
import unittest
import http.server

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_program_tests import (ARTIFACTS, BACK, HOME, HOME_HOST, HOME_PORT, PAGE_TIMEOUT, PRODUCT_PATH,
                               PRODUCT_PORT, TOOLBAR, XTRA, Program, Requests, geometry,
                               large_visible_windows, run, send_delete_window, wait_for)

# How long the toolbar may take to get its page requested from a page that
# holds on: the engine notices an unanswering web process after about 3 s.
TAKEOVER_LIMIT = 8

BLOCK = ("position:absolute;left:0;width:400px;height:100px;display:block;margin:0;border:0;"
         "background:#3a7;top:%dpx")
# Page coordinates of the blocks' centres, one block every 120 pixels.
def block(i):
    return (200, 50 + 120 * i)


def page(body):
    return "<!doctype html><html><body style='margin:0'>%s</body></html>" % body


def blocks(*items):
    return "".join(item % (BLOCK % (120 * i)) for i, item in enumerate(items))


DOWNLOAD_PAGE = page(
    blocks('<a style="%s" href="/dl">download</a>',
           '<a style="%s" download="../../.bashrc" href="/plain">dot file</a>',
           '<a style="%s" href="/cut">cut download</a>')
    # Each of these tries to download without any click.
    + '<iframe src="/dl-iframe" style="position:absolute;top:500px"></iframe>'
    + '<a id="scripted" download="scripted.txt" href="/plain-scripted"></a>'
    + '<script>setTimeout(function () { document.getElementById("scripted").click(); }, 300);'
    + 'setTimeout(function () { location = "/dl-timer"; }, 600);</script>'
    + '<script>fetch("/loaded-downloads");</script>')

META_PAGE = page('<meta http-equiv="refresh" content="0;url=/dl-meta">meta')

PRINT_PAGE = page(
    blocks('<button style="%s" onclick="var w = window.open(); w.print();'
           ' for (var i = 0; i < 50; i++) w.alert(i); fetch(\'/alerted\')">'
           'print elsewhere</button>')
    + "<script>function again() { print(); setTimeout(again, 200); }"
    + "setTimeout(again, 500); fetch('/loaded-print');</script>")

START_PAGE = page(
    blocks('<a style="%s" href="/alerts">alerts</a>', '<a style="%s" href="/frozen">frozen</a>',
           '<a style="%s" href="/unload">unload</a>',
           '<a style="%s" href="/unload-loop">unload loop</a>')
    + "<script>fetch('/loaded-start');</script>")
ALERTS_PAGE = page("<script>fetch('/loaded-alerts').then(function () {"
                   " for (var i = 0; ; ++i) { alert(i); confirm(i); prompt(i); } });</script>")
FROZEN_PAGE = page(blocks('<button style="%s" onclick="for (;;) {}">freeze</button>')
                   + "<script>fetch('/loaded-frozen');</script>")
UNLOAD_PAGE = page(blocks('<button style="%s" onclick="this.textContent = \'touched\'">touch</button>')
                   + "<script>onbeforeunload = function (e) { e.preventDefault();"
                   " return 'stay'; }; fetch('/loaded-unload');</script>")

# Two steps of history within one document, and a question the user is asked.
PUSHING_PAGE = page(
    blocks('<button style="%s" onclick="history.pushState({}, \'\', \'/one\');'
           ' history.pushState({}, \'\', \'/two\'); fetch(\'/pushed\')">push</button>',
           '<button style="%s" onclick="fetch(\'/answered?\' + confirm(\'sure?\'))">ask</button>')
    + "<script>onpopstate = function () { fetch('/popped' + location.pathname); };"
    " fetch('/loaded-pushing');</script>")

# Never lets go of a navigation; the engine does not call it unanswering.
UNLOAD_LOOP_PAGE = page(
    blocks('<button style="%s" onclick="this.textContent = \'touched\'">touch</button>')
    + "<script>onbeforeunload = function () { for (;;) {} }; fetch('/loaded-unload-loop');"
    "</script>")

USER_FILE = b"the user's own words\n"
SERVED = b"served by the page\n"
CUT_SIZE = 1000000


class Site:
    """The home server: what it answers at "/" can be changed between steps."""

    def __init__(self):
        self.requests = Requests()
        self.pages = {"/": page("home")}
        self.redirect_root = False
        self.servers = []
        for port in (HOME_PORT, PRODUCT_PORT):
            server = http.server.ThreadingHTTPServer(("127.0.0.1", port), self.handler(port))
            server.daemon_threads = True
            threading.Thread(target=server.serve_forever, daemon=True).start()
            self.servers.append(server)

    def close(self):
        for server in self.servers:
            server.shutdown()
            server.server_close()

    def count(self, path):
        return self.requests.count(HOME_PORT, lambda p: p == path)

    def handler(self, port):
        site = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, fmt, *args):
                pass

            def answer(self, status, body, content_type="text/html; charset=utf-8",
                       headers=()):
                self.send_response(status)
                self.send_header("Content-Type", content_type)
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", "no-store")
                for name, value in headers:
                    self.send_header(name, value)
                self.end_headers()
                try:
                    self.wfile.write(body)
                except (BrokenPipeError, ConnectionResetError):
                    pass  # a refused download hangs up

            def do_GET(self):
                site.requests.add(port, self.path, self.headers.get("Cookie"))
                path = self.path
                if port == PRODUCT_PORT:
                    self.answer(200, page("product").encode())
                elif path.startswith("/dl"):
                    self.answer(200, SERVED, "text/plain", [
                        ("Content-Disposition", 'attachment; filename="important.txt"')])
                elif path.startswith("/plain"):
                    self.answer(200, SERVED, "text/plain")
                elif path == "/cut":
                    # Promises a megabyte, sends a little, and hangs up.
                    self.send_response(200)
                    self.send_header("Content-Type", "application/octet-stream")
                    self.send_header("Content-Disposition", 'attachment; filename="cut.bin"')
                    self.send_header("Content-Length", str(CUT_SIZE))
                    self.end_headers()
                    self.wfile.write(b"x" * 5000)
                    self.wfile.flush()
                    time.sleep(0.5)
                    self.connection.shutdown(socket.SHUT_RDWR)
                    self.close_connection = True
                elif path == "/" and site.redirect_root:
                    self.answer(302, b"", headers=[("Location", "/dl-redirect")])
                elif path in site.pages:
                    self.answer(200, site.pages[path].encode())
                else:
                    self.answer(200, page(path).encode())

        return Handler


# One home for every start, as a user has: the desktop's accessibility bus,
# once started, keeps pointing into the first start's folders.
HOME_FOLDER = None


def setUpModule():
    global HOME_FOLDER
    os.makedirs(ARTIFACTS, exist_ok=True)
    HOME_FOLDER = tempfile.mkdtemp(prefix="tambourin-hostile-")
    for sub in ("config", "data", "cache"):
        os.makedirs(os.path.join(HOME_FOLDER, sub))


def tearDownModule():
    shutil.rmtree(HOME_FOLDER, ignore_errors=True)


class HostilePageTest(unittest.TestCase):
    def setUp(self):
        self.site = Site()
        self.home = HOME_FOLDER
        self.program = None
        self.window = None

    def tearDown(self):
        try:
            if self.program is not None:
                # Shown by ctest when something failed.
                print("---- %s ----\n%s" % (self.id(), self.program.output()))
                print("---- requests ----\n%s" % "\n".join(
                    "%d %s" % (port, path) for port, path, _ in self.site.requests.all()))
                self.program.stop()
        finally:
            self.site.close()

    def start(self, name):
        self.program = Program(self.home, os.path.join(ARTIFACTS, "hostile-%s.log" % name))
        self.window = self.program.window()

    def click_window(self, x, y):
        wx, wy, _, _ = geometry(self.window)
        # A move to where the pointer already is never reports back.
        where = dict(line.split("=", 1) for line in
                     run("xdotool", "getmouselocation", "--shell").split() if "=" in line)
        if (int(where["X"]), int(where["Y"])) == (wx + x, wy + y):
            x += 1
        run("xdotool", "mousemove", "--sync", str(wx + x), str(wy + y), "click", "1")

    def click_page(self, point):
        self.click_window(point[0], TOOLBAR + point[1])

    def click_control(self, box):
        self.click_window(box[0] + box[2] // 2, box[1] + box[3] // 2)

    def wait_request(self, path, before=0, timeout=PAGE_TIMEOUT, what=None):
        wait_for(lambda: self.site.count(path) > before, timeout,
                 what or "GET %s on the home server" % path)

    def output_lines(self, fragment):
        return [line for line in self.program.output().splitlines() if fragment in line]

    def close_and_check_saved(self):
        send_delete_window(self.window)
        self.assertEqual(self.program.wait_exit(PAGE_TIMEOUT), 0, "exit status after the close")
        for part in ("top", "left", "height", "width"):
            path = os.path.join(self.home, "config", "%s-%s.txt" % (HOME_HOST, part))
            self.assertTrue(os.path.exists(path), "%s was not written" % path)


class DownloadTests(HostilePageTest):
    def test_only_clicked_downloads_are_saved_and_no_file_of_the_users_is_touched(self):
        downloads = os.path.join(self.home, "Downloads")
        os.makedirs(downloads)
        users = {os.path.join(downloads, "important.txt"): USER_FILE,
                 os.path.join(self.home, ".bashrc"): b"alias ls='ls -F'\n",
                 os.path.join(self.home, "important.txt"): USER_FILE}
        for path, content in users.items():
            with open(path, "wb") as f:
                f.write(content)
        self.site.pages["/"] = DOWNLOAD_PAGE
        self.site.pages["/meta"] = META_PAGE
        self.start("downloads")
        self.wait_request("/loaded-downloads")
        # An iframe, a script's click on <a download> and a timer's navigation
        # all try to download without any click.
        self.wait_request("/dl-iframe")
        self.wait_request("/dl-timer")
        wait_for(lambda: len(self.output_lines("refused a download")) >= 3, PAGE_TIMEOUT,
                 "three refused downloads on stderr")
        self.assertEqual(sorted(os.listdir(downloads)), ["important.txt"])

        # The user's clicks: the same file twice, a name that points outside
        # the folder, and one the server cuts half way.
        self.click_page(block(0))
        wait_for(lambda: os.path.exists(os.path.join(downloads, "important (1).txt")),
                 PAGE_TIMEOUT, "the first clicked download")
        self.click_page(block(0))
        wait_for(lambda: os.path.exists(os.path.join(downloads, "important (2).txt")),
                 PAGE_TIMEOUT, "the second clicked download")
        self.click_page(block(1))
        wait_for(lambda: os.path.exists(os.path.join(downloads, "bashrc")), PAGE_TIMEOUT,
                 "the download named ../../.bashrc, saved as bashrc in the folder")
        self.click_page(block(2))
        wait_for(lambda: self.output_lines("the download of http://%s/cut failed" % HOME_HOST),
                 PAGE_TIMEOUT, "the cut download to fail")
        wait_for(lambda: len(self.output_lines("downloaded ")) >= 3, PAGE_TIMEOUT,
                 "three finished downloads reported")

        # The toolbar's page redirected to a download, and a meta refresh to
        # one: no click on the page, no download.
        home_before = self.site.count("/")
        self.site.redirect_root = True
        self.click_control(HOME)
        self.wait_request("/dl-redirect")
        wait_for(lambda: len(self.output_lines("refused a download")) >= 4, PAGE_TIMEOUT,
                 "the redirect's download refused")
        self.site.redirect_root = False
        self.site.pages["/"] = META_PAGE
        self.click_control(HOME)
        self.wait_request("/dl-meta")
        wait_for(lambda: len(self.output_lines("refused a download")) >= 5, PAGE_TIMEOUT,
                 "the meta refresh's download refused")
        time.sleep(1)

        for path, content in users.items():
            with open(path, "rb") as f:
                self.assertEqual(f.read(), content, "%s was changed" % path)
        for name in ("important (1).txt", "important (2).txt", "bashrc"):
            with open(os.path.join(downloads, name), "rb") as f:
                self.assertEqual(f.read(), SERVED, name)
        self.assertEqual(sorted(os.listdir(downloads)),
                         ["bashrc", "important (1).txt", "important (2).txt", "important.txt"],
                         "the cut download must leave nothing behind")
        self.assertEqual(sorted(n for n in os.listdir(self.home) if not os.path.isdir(
            os.path.join(self.home, n))), [".bashrc", "important.txt"],
            "nothing may be saved in the home folder itself")
        self.assertGreater(self.site.count("/"), home_before)
        for name in ("important (1).txt", "important (2).txt", "bashrc"):
            self.assertTrue(self.output_lines(os.path.join(downloads, name)),
                            "no stderr line names %s" % name)
        self.close_and_check_saved()


class PrintTests(HostilePageTest):
    def test_print_is_refused_and_the_close_box_still_ends_the_program(self):
        # Also: the dialogs of a view nobody sees.
        self.site.pages["/"] = PRINT_PAGE
        self.start("print")
        windows_before = sorted(large_visible_windows())
        self.wait_request("/loaded-print")
        # print() from the view of window.open(), with the user's click.
        self.click_page(block(0))
        wait_for(lambda: len(self.output_lines("refused a print request")) >= 2, PAGE_TIMEOUT,
                 "print requests of the page and of window.open()'s view refused")
        time.sleep(2)  # the page goes on asking every 200 ms
        self.assertEqual(sorted(large_visible_windows()), windows_before,
                         "no print window may appear")
        self.assertLessEqual(len(self.output_lines("refused a print request")), 3,
                             "one line per page, not one per request")
        # The hidden window's alerts are answered at once, and told of once.
        self.wait_request("/alerted")
        self.assertEqual(len(self.output_lines("dismissed the dialogs of a page nobody can see")),
                         1, "one line per page, not one per dialog")
        self.close_and_check_saved()


class TakeoverTests(HostilePageTest):
    def takeover(self, what, press=HOME, path="/", port=HOME_PORT):
        before = self.site.requests.count(port, lambda p: p == path)
        started = time.monotonic()
        self.click_control(press)
        wait_for(lambda: self.site.requests.count(port, lambda p: p == path) > before,
                 TAKEOVER_LIMIT, "the toolbar's page requested from %s" % what)
        return time.monotonic() - started

    def test_the_toolbar_takes_the_user_away_from_dialogs_and_frozen_scripts(self):
        self.site.pages.update({"/": START_PAGE, "/alerts": ALERTS_PAGE,
                                "/frozen": FROZEN_PAGE, "/unload": UNLOAD_PAGE,
                                "/unload-loop": UNLOAD_LOOP_PAGE})
        self.start("takeover")
        self.wait_request("/loaded-start")
        timings = {}

        # A flood of alert, confirm and prompt: home, then Xtra.
        self.click_page(block(0))
        self.wait_request("/loaded-alerts")
        time.sleep(1)
        timings["alerts, home"] = self.takeover("alert/confirm/prompt loop")
        self.wait_request("/loaded-start", before=1)
        self.click_page(block(0))
        self.wait_request("/loaded-alerts", before=1)
        time.sleep(1)
        timings["alerts, Xtra"] = self.takeover("alert loop, Xtra", XTRA, PRODUCT_PATH,
                                                PRODUCT_PORT)
        self.takeover("the product page")
        self.wait_request("/loaded-start", before=2)

        # A click that freezes the page's script.
        self.click_page(block(1))
        self.wait_request("/loaded-frozen")
        time.sleep(0.5)
        self.click_page(block(0))
        time.sleep(1)
        timings["frozen, home"] = self.takeover("for(;;){}")
        self.wait_request("/loaded-start", before=3)

        # A page that asks "leave this page?" once the user touched it, and
        # one that loops in its beforeunload handler instead.
        for n, (link, loaded, what) in enumerate(
                ((2, "/loaded-unload", "a beforeunload dialog"),
                 (3, "/loaded-unload-loop", "a looping beforeunload handler"))):
            self.click_page(block(link))
            self.wait_request(loaded)
            self.click_page(block(0))
            time.sleep(0.5)
            timings[what + ", home"] = self.takeover(what)
            self.wait_request("/loaded-start", before=4 + n)

        print("takeover timings: %s" % ", ".join("%s %.1f s" % item for item in timings.items()))
        self.assertEqual(self.output_lines("not reloading it any more"), [])
        self.assertEqual(self.output_lines("reloading the page"), [],
                         "ending the page on purpose is no crash to reload after")
        # The pages that were left were not loaded again.
        self.assertEqual(self.site.count("/alerts"), 2)
        self.assertEqual(self.site.count("/frozen"), 1)
        self.close_and_check_saved()

    def test_a_step_back_within_the_page_leaves_its_dialogs_to_it(self):
        # Back to a pushState entry loads no new document; once the page has
        # stepped back, its next dialog is the user's to answer, and the page
        # is neither ended nor stepped back again.
        self.site.pages["/"] = PUSHING_PAGE
        self.start("step-back")
        self.wait_request("/loaded-pushing")
        self.click_page(block(0))
        self.wait_request("/pushed")
        self.click_control(BACK)
        self.wait_request("/popped/one")
        time.sleep(1)
        self.click_page(block(1))
        time.sleep(2)
        answered = lambda: self.site.requests.count(HOME_PORT,
                                                    lambda p: p.startswith("/answered"))
        self.assertEqual(answered(), 0, "the page's question was answered for the user")
        self.assertEqual(self.output_lines("does not let go"), [])
        self.assertEqual(self.site.count("/popped/"), 0, "the page was stepped back again")
        self.assertEqual(self.site.count("/loaded-pushing"), 1, "the page was loaded again")
        # The toolbar still takes the user away from the open question.
        self.takeover("the page's own question")
        self.wait_request("/loaded-pushing", before=1, what="the home page shown again")
        self.close_and_check_saved()


if __name__ == "__main__":
    unittest.main(verbosity=2)
