#!/usr/bin/python3
"""What pages that ask for new windows cost tambourin, in memory and in time.

Run by `bench/run.sh new-windows` under Xvfb and a private D-Bus session bus.
The page is served here on 127.0.0.1, and tambourin's default browser is a
script that only records the addresses it is given. Two things are measured,
each as the sum of Pss over tambourin's whole process tree:

  hand-offs  ten clicks on a button that runs window.open(url), one at a
             time: the tree before them and after them; first, as a control,
             the same ten clicks on a button that opens nothing
  burst      one click on a button that runs window.open(url_i) a thousand
             times: the tree before the click, its peak (sampled every 50 ms)
             and 10 s after the click; meanwhile the home button is clicked
             every half second and the time until the home page is asked for
             again is the toolbar's answer
"""

import argparse
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bench import descendants, environment, pss_kib, stop, tree_pss_mib  # noqa: E402

BURST = 1000
TOOLBAR = 35
HOME_BUTTON = (83, 17)  # the home picture button's middle, window coordinates
BURST_BUTTON = (200, TOOLBAR + 50)
SINGLE_BUTTON = (200, TOOLBAR + 170)
IDLE_BUTTON = (200, TOOLBAR + 290)

PAGE = """<!doctype html><html><head><meta charset=utf-8><title>Palavera</title>
<style>body { margin: 0; } button { position: absolute; left: 0; width: 400px; height: 100px;
border: 0; margin: 0; }</style></head><body>
<button style="top: 0" onclick="for (var i = 0; i < %d; i++) window.open('/burst?i=' + i)">
burst</button>
<button style="top: 120px" onclick="window.open('/single?t=' + Date.now())">single</button>
<button style="top: 240px" onclick="document.title = 'Palavera ' + Date.now()">idle</button>
<script>window.addEventListener('load', function () {
  fetch('/loaded?t=' + Date.now(), {cache: 'no-store'});
});</script></body></html>""" % BURST


class Site:
    def __init__(self):
        self.lock = threading.Lock()
        self.homes = []  # when each GET / arrived
        self.loaded = threading.Event()

    def home_asked(self):
        with self.lock:
            self.homes.append(time.monotonic())

    def homes_since(self, moment):
        with self.lock:
            return [t for t in self.homes if t >= moment]


def make_handler(site):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def do_GET(self):
            body = b""
            if self.path == "/":
                site.home_asked()
                body = PAGE.encode()
            elif self.path.startswith("/loaded"):
                site.loaded.set()
            self.send_response(200 if body or self.path.startswith("/loaded") else 404)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            self.wfile.write(body)

    return Handler


def recording_browser(home):
    """Makes a script the desktop's default browser; returns its record's path."""
    record = os.path.join(home, "browser.txt")
    script = os.path.join(home, "record.sh")
    with open(script, "w") as f:
        f.write("#!/bin/sh\nprintf '%%s\\n' \"$1\" >> '%s'\n" % record)
    os.chmod(script, 0o755)
    os.makedirs(os.path.join(home, "data", "applications"), exist_ok=True)
    with open(os.path.join(home, "data", "applications", "recorder.desktop"), "w") as f:
        f.write("[Desktop Entry]\nType=Application\nName=Recorder\nNoDisplay=true\n"
                "Exec=%s %%u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n" % script)
    with open(os.path.join(home, "config", "mimeapps.list"), "w") as f:
        f.write("[Default Applications]\nx-scheme-handler/http=recorder.desktop\n"
                "x-scheme-handler/https=recorder.desktop\n")
    return record


def recorded(record):
    if not os.path.exists(record):
        return []
    with open(record) as f:
        return f.read().splitlines()


def by_process(root):
    """Pss in MiB of each process of the tree, by the process's name."""
    found = {}
    for pid in descendants(root):
        try:
            with open("/proc/%d/comm" % pid) as f:
                name = f.read().strip()
        except OSError:
            continue
        found[name] = found.get(name, 0) + pss_kib(pid) / 1024.0
    return found


def steady_pss_mib(root):
    """The tree's Pss as the median of five readings over two seconds: it
    moves by several MiB from one moment to the next by itself."""
    readings = []
    for _ in range(5):
        readings.append(tree_pss_mib(root))
        time.sleep(0.5)
    return sorted(readings)[2]


def web_process_count(root):
    return sum(1 for pid in descendants(root)
               if open_comm(pid).startswith("WebKitWebProces"))


def open_comm(pid):
    try:
        with open("/proc/%d/comm" % pid) as f:
            return f.read().strip()
    except OSError:
        return ""


def difference(before, after):
    names = sorted(set(before) | set(after), key=lambda n: -abs(after.get(n, 0) - before.get(n, 0)))
    return ", ".join("%s %+.1f" % (n, after.get(n, 0) - before.get(n, 0)) for n in names
                     if abs(after.get(n, 0) - before.get(n, 0)) >= 0.5) or "none"


def window_origin():
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tambourin$"],
                               capture_output=True, text=True, timeout=15).stdout.split()
        for window in found:
            out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                                 capture_output=True, text=True, timeout=15).stdout
            values = dict(line.split("=", 1) for line in out.split() if "=" in line)
            if int(values.get("WIDTH", 0)) >= 300:
                return int(values["X"]), int(values["Y"])
        time.sleep(0.1)
    sys.exit("bench: the Tambourin window did not appear")


def click(origin, point):
    subprocess.run(["xdotool", "mousemove", str(origin[0] + point[0]), str(origin[1] + point[1]),
                    "click", "1"], check=True, timeout=15)


def wait_until(condition, timeout):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tambourin", required=True)
    parser.add_argument("--port", type=int, default=47311,
                        help="the home host's port tambourin was built for")
    parser.add_argument("--settle", type=float, default=3.0)
    parser.add_argument("--markdown", help="write the results here")
    args = parser.parse_args()

    site = Site()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), make_handler(site))
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    scratch = tempfile.mkdtemp(prefix="tambourin-bench-windows-")
    env = environment(scratch)
    record = recording_browser(scratch)
    log = open(os.path.join(scratch, "tambourin.log"), "wb")
    process = subprocess.Popen([args.tambourin], env=env, stdin=subprocess.DEVNULL, stdout=log,
                               stderr=subprocess.STDOUT, start_new_session=True)
    lines = []
    try:
        if not site.loaded.wait(60):
            sys.exit("bench: tambourin never reported its page's load")
        origin = window_origin()
        time.sleep(args.settle)

        # Ten clicks that open nothing, then ten hand-offs, one click each:
        # the first show how much the tree moves by itself meanwhile.
        for label, button in (("ten clicks, no new window", IDLE_BUTTON),
                              ("ten hand-offs", SINGLE_BUTTON)):
            before = steady_pss_mib(process.pid)
            parts_before = by_process(process.pid)
            processes_before = web_process_count(process.pid)
            handed = len(recorded(record))
            for n in range(1, 11):
                click(origin, button)
                if button == SINGLE_BUTTON and not wait_until(
                        lambda: len(recorded(record)) >= handed + n, 20):
                    sys.exit("bench: hand-off %d never reached the browser" % n)
                time.sleep(1)
            time.sleep(args.settle)
            after = steady_pss_mib(process.pid)
            lines.append("| %s | %.0f MiB before, %.0f MiB after (%+.1f MiB: %s); "
                         "web processes %d, then %d |"
                         % (label, before, after, after - before,
                            difference(parts_before, by_process(process.pid)),
                            processes_before, web_process_count(process.pid)))

        # One click, a thousand requests; the toolbar is tried all along.
        handed_before = len(recorded(record))
        before = steady_pss_mib(process.pid)
        clicked = time.monotonic()
        click(origin, BURST_BUTTON)
        peak, answers, next_home = before, [], clicked + 0.2
        pending_home = None
        while time.monotonic() - clicked < 10:
            peak = max(peak, tree_pss_mib(process.pid))
            now = time.monotonic()
            if pending_home is not None and site.homes_since(pending_home):
                answers.append(site.homes_since(pending_home)[0] - pending_home)
                pending_home = None
            if pending_home is None and now >= next_home and now - clicked < 8:
                pending_home = time.monotonic()
                click(origin, HOME_BUTTON)
                next_home = pending_home + 0.5
            elif pending_home is not None and now - pending_home > 5:
                answers.append(float("inf"))
                pending_home = None
            time.sleep(0.05)
        later = tree_pss_mib(process.pid)
        handed = len(recorded(record)) - handed_before
        lines.append("| one click, %d window.open | %.0f MiB before, %.0f MiB at the peak, "
                     "%.0f MiB 10 s later |" % (BURST, before, peak, later))
        lines.append("| toolbar during the burst | home answered %d times, slowest in %.0f ms |"
                     % (len(answers), max(answers) * 1000 if answers else float("nan")))
        lines.append("| addresses handed on by the burst | %d |" % handed)
        if process.poll() is not None:
            sys.exit("bench: tambourin ended during the run")
    finally:
        stop(process)
        log.close()
        with open(os.path.join(scratch, "tambourin.log"), "rb") as f:
            refused = [line for line in f.read().decode("utf-8", "replace").splitlines()
                       if "new-window request" in line]
        shutil.rmtree(scratch, ignore_errors=True)
        server.shutdown()

    table = "\n".join(["| new windows | Pss of the whole process tree |", "|---|---|"] + lines +
                      ["", "stderr: " + ("; ".join(refused) or "nothing"), ""])
    print(table)
    if args.markdown:
        with open(args.markdown, "w") as f:
            f.write(table)


if __name__ == "__main__":
    main()
