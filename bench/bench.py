#!/usr/bin/python3
"""Start-up time and memory of tambourin next to other WebKit and Chromium browsers.

Run by bench/run.sh under Xvfb and a private D-Bus session bus. Every page is
generated here and served on 127.0.0.1; the browsers are kept from reaching
any other address. For each page (a small one, and a heavy one resembling a
social timeline) each contender is started several times, interleaved with
the others, and three things are measured:

  window  from exec to its top-level window being mapped on the X screen
  load    from exec to the page's load event, which the page reports here
  memory  the sum of Pss over the browser's whole process tree, after load

Medians are printed with their ratio to the bare reference (one GTK window
holding one WebKitGTK view), and written as a Markdown table.
"""

import argparse
import ctypes
import http.server
import os
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

PORT = 47311  # the home host the benchmark's tambourin build is made for, unless --port
URL = "http://127.0.0.1:%d/" % PORT
WINDOW_W, WINDOW_H = 1020, 700


# --- the pages -------------------------------------------------------------

def png(width, height, seed):
    """A gradient picture, different for every seed, as PNG bytes."""
    r0, g0, b0 = (seed * 67) % 256, (seed * 131) % 256, (seed * 29) % 256
    rows = []
    for y in range(height):
        line = bytearray(b"\x00")
        g = (g0 + y) % 256
        for x in range(width):
            line += bytes(((r0 + x) % 256, g, (b0 + x + y) % 256))
        rows.append(bytes(line))
    raw = b"".join(rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


REPORT = """<script>
window.addEventListener('load', function () {
  fetch('/loaded?t=' + Date.now(), {cache: 'no-store'});
});
</script>"""

SMALL_PAGE = ("<!doctype html><html><head><meta charset=utf-8><title>Palavera</title>%s"
              "</head><body><h1>Palavera</h1><p>Hello.</p></body></html>" % REPORT)

POSTS = 150
AVATARS = 20


def heavy_page():
    names = ["Ada", "Brook", "Cyril", "Dana", "Emil", "Farah", "Gus", "Hana", "Ivo", "Juno"]
    words = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor "
             "incididunt ut labore et dolore magna aliqua").split()
    posts = []
    for i in range(POSTS):
        text = " ".join(words[(i * 7 + k) % len(words)] for k in range(25 + i % 40))
        posts.append(
            '<article class="post" data-id="%d" data-time="%d">'
            '<header><img class="avatar" src="/avatar/%d.png" width="48" height="48" alt="">'
            '<b>%s</b> <span class="when"></span></header>'
            '<p>%s</p><img class="photo" src="/photo/%d.png" width="480" height="270" alt="">'
            '<footer><button class="like">Like</button> <span class="likes">%d</span>'
            ' <button class="share">Share</button></footer></article>'
            % (i, 1700000000 - i * 613, i % AVATARS, names[i % len(names)], text, i,
               (i * 37) % 500))
    script = """<script>
(function () {
  var now = 1700000000;
  document.querySelectorAll('.post').forEach(function (post) {
    var ago = now - Number(post.dataset.time), unit = 's';
    if (ago >= 3600) { ago = Math.floor(ago / 3600); unit = 'h'; }
    else if (ago >= 60) { ago = Math.floor(ago / 60); unit = 'm'; }
    post.querySelector('.when').textContent = ago + unit;
    post.querySelector('.like').addEventListener('click', function () {
      var n = post.querySelector('.likes');
      n.textContent = Number(n.textContent) + 1;
    });
  });
  var tags = {};
  document.querySelectorAll('.post p').forEach(function (p) {
    p.textContent.split(' ').forEach(function (w) { tags[w] = (tags[w] || 0) + 1; });
  });
  var aside = document.getElementById('trending');
  Object.keys(tags).sort(function (a, b) { return tags[b] - tags[a]; }).slice(0, 10)
    .forEach(function (w) {
      var li = document.createElement('li'); li.textContent = '#' + w; aside.appendChild(li);
    });
})();
</script>"""
    style = """<style>
body { font-family: sans-serif; margin: 0; background: #eef0f3; }
nav { position: sticky; top: 0; background: #3a5; color: white; padding: 8px 16px; }
main { display: flex; gap: 16px; padding: 16px; }
#feed { flex: 1; max-width: 560px; }
aside { width: 220px; }
.post { background: white; border-radius: 8px; padding: 12px; margin-bottom: 12px;
        box-shadow: 0 1px 3px rgba(0,0,0,.2); }
.avatar { border-radius: 50%; vertical-align: middle; margin-right: 8px; }
.photo { display: block; width: 100%; height: auto; margin: 8px 0; border-radius: 4px; }
.when { color: #888; }
</style>"""
    return ("<!doctype html><html><head><meta charset=utf-8><title>Palavera</title>%s%s"
            "</head><body><nav>Palavera</nav><main><div id=feed>%s</div>"
            "<aside><h3>Trending</h3><ul id=trending></ul></aside></main>%s</body></html>"
            % (style, REPORT, "".join(posts), script))


class Site:
    """The pages and pictures, and the time the current page reported its load."""

    def __init__(self):
        self.pages = {"small": SMALL_PAGE.encode(), "heavy": heavy_page().encode()}
        self.pictures = {}
        for i in range(AVATARS):
            self.pictures["/avatar/%d.png" % i] = png(48, 48, 1000 + i)
        for i in range(POSTS):
            self.pictures["/photo/%d.png" % i] = png(480, 270, i)
        self.page = "small"
        self.lock = threading.Lock()
        self.loaded_at = None
        self.loaded = threading.Event()

    def expect(self, page):
        with self.lock:
            self.page = page
            self.loaded_at = None
            self.loaded.clear()

    def report_load(self):
        with self.lock:
            if self.loaded_at is None:
                self.loaded_at = time.monotonic()
                self.loaded.set()


def make_handler(site):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def send(self, body, kind):
            self.send_response(200)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            # Every start loads everything again: no contender gains from a cache.
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            path = self.path.split("?", 1)[0]
            if path.startswith("/loaded"):
                site.report_load()
                self.send(b"", "text/plain")
            elif path in site.pictures:
                self.send(site.pictures[path], "image/png")
            elif path == "/":
                self.send(site.pages[site.page], "text/html; charset=utf-8")
            else:
                self.send_response(404)
                self.send_header("Content-Length", "0")
                self.end_headers()

    return Handler


# --- the X screen ----------------------------------------------------------

class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


class MapWatcher:
    """Notes when a large top-level window is first mapped on the screen.

    There is no window manager, so top-level windows are children of the root
    window and their mapping is seen through SubstructureNotify on it.
    """

    def __init__(self):
        self.x11 = x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
        x11.XGetGeometry.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + \
            [ctypes.POINTER(ctypes.c_ulong)] + [ctypes.POINTER(ctypes.c_int)] * 2 + \
            [ctypes.POINTER(ctypes.c_uint)] * 4
        x11.XFlush.argtypes = [ctypes.c_void_p]
        self.display = x11.XOpenDisplay(None)
        if not self.display:
            sys.exit("bench: cannot open the X display")
        x11.XSelectInput(self.display, x11.XDefaultRootWindow(self.display),
                         SUBSTRUCTURE_NOTIFY_MASK)
        x11.XFlush(self.display)
        self.lock = threading.Lock()
        self.mapped_at = None
        self.mapped = threading.Event()
        threading.Thread(target=self.watch, daemon=True).start()

    def reset(self):
        with self.lock:
            self.mapped_at = None
            self.mapped.clear()

    def size(self, window):
        root = ctypes.c_ulong()
        x, y = ctypes.c_int(), ctypes.c_int()
        w, h, border, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
        if not self.x11.XGetGeometry(self.display, window, ctypes.byref(root), ctypes.byref(x),
                                     ctypes.byref(y), ctypes.byref(w), ctypes.byref(h),
                                     ctypes.byref(border), ctypes.byref(depth)):
            return 0, 0
        return w.value, h.value

    def watch(self):
        event = XEvent()
        while True:
            self.x11.XNextEvent(self.display, ctypes.byref(event))
            if event.type != MAP_NOTIFY or event.xmap.override_redirect:
                continue
            now = time.monotonic()
            w, h = self.size(event.xmap.window)
            if w >= 300 and h >= 200:
                with self.lock:
                    if self.mapped_at is None:
                        self.mapped_at = now
                        self.mapped.set()


# --- the contenders ----------------------------------------------------------

def contenders(args, chromium_data):
    found = {
        "tambourin": [args.tambourin],
        "bare": [args.bare, URL],
    }
    if shutil.which("surf"):
        found["surf"] = ["surf", URL]
    if shutil.which("chromium"):
        found["chromium"] = [
            "chromium", "--app=" + URL, "--user-data-dir=" + chromium_data,
            "--window-size=%d,%d" % (WINDOW_W, WINDOW_H), "--window-position=0,0",
            # Root may not use Chromium's sandbox.
            "--no-sandbox",
            # Nothing of its own on the network: no first-run pages, updates,
            # sync or other background fetches, and a proxy that leads nowhere
            # for anything but the loopback page.
            "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--disable-default-apps",
            "--password-store=basic", "--proxy-server=http://127.0.0.1:9",
        ]
    return found


def descendants(root):
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
        except OSError:
            continue
        ppid = int(stat[stat.rindex(")") + 2:].split()[1])
        children.setdefault(ppid, []).append(int(entry))
    tree, todo = [], [root]
    while todo:
        pid = todo.pop()
        tree.append(pid)
        todo.extend(children.get(pid, []))
    return tree


def pss_kib(pid):
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def tree_pss_mib(root):
    return sum(pss_kib(pid) for pid in descendants(root)) / 1024.0


def stop(process):
    try:
        os.killpg(process.pid, signal.SIGTERM)
    except ProcessLookupError:
        pass
    try:
        process.wait(10)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait(10)
    # The engine's helpers may outlive the group leader for a moment.
    time.sleep(0.3)
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def run_once(command, env, site, watcher, page, settle, log):
    site.expect(page)
    watcher.reset()
    start = time.monotonic()
    process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=log,
                               stderr=subprocess.STDOUT, start_new_session=True)
    try:
        if not site.loaded.wait(60):
            raise RuntimeError("%s never reported its page's load" % command[0])
        loaded = site.loaded_at - start
        window = watcher.mapped_at - start if watcher.mapped.wait(10) else float("nan")
        time.sleep(settle)
        memory = tree_pss_mib(process.pid)
        if process.poll() is not None:
            raise RuntimeError("%s ended during the run" % command[0])
    finally:
        stop(process)
    return window, loaded, memory


def environment(home):
    env = dict(os.environ)
    for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                  "ALL_PROXY", "no_proxy", "NO_PROXY"):
        env.pop(proxy, None)
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"),
               XDG_CACHE_HOME=os.path.join(home, "cache"), NO_AT_BRIDGE="1")
    for sub in ("config", "data", "cache"):
        os.makedirs(os.path.join(home, sub), exist_ok=True)
    return env


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tambourin", required=True)
    parser.add_argument("--bare", required=True)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--settle", type=float, default=3.0,
                        help="seconds between the load event and the memory reading")
    parser.add_argument("--markdown", help="write the table here")
    parser.add_argument("--logs", default=tempfile.gettempdir())
    parser.add_argument("--browsers", help="a comma-separated subset of the contenders")
    parser.add_argument("--pages", default="small,heavy", help="small, heavy or both")
    parser.add_argument("--port", type=int, default=PORT,
                        help="the home host's port tambourin was built for")
    args = parser.parse_args()
    global URL
    URL = "http://127.0.0.1:%d/" % args.port

    site = Site()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), make_handler(site))
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    watcher = MapWatcher()

    scratch = tempfile.mkdtemp(prefix="tambourin-bench-")
    try:
        found = contenders(args, os.path.join(scratch, "chromium"))
        names = list(found)
        if args.browsers:
            names = [n for n in names if n in args.browsers.split(",")]
        if "bare" not in names:
            names.insert(0, "bare")
        pages = [p for p in ("small", "heavy") if p in args.pages.split(",")]
        envs = {name: environment(os.path.join(scratch, name)) for name in names}
        results = {}
        log = open(os.path.join(args.logs, "bench-browsers.log"), "ab")
        for page in pages:
            # One start each that is not counted: the files the browsers read
            # are then in the page cache for all of them alike, and each has
            # made its profile.
            for name in names:
                run_once(found[name], envs[name], site, watcher, page, 0.5, log)
            for run in range(args.runs):
                for name in names:
                    window, loaded, memory = run_once(found[name], envs[name], site, watcher,
                                                      page, args.settle, log)
                    results.setdefault((page, name), []).append((window, loaded, memory))
                    print("%-6s %-10s run %d: window %4.0f ms, load %5.0f ms, %5.1f MiB"
                          % (page, name, run + 1, window * 1000, loaded * 1000, memory),
                          flush=True)
        log.close()
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
        server.shutdown()

    table = report(results, pages, names, args.runs)
    print()
    print(table)
    if args.markdown:
        with open(args.markdown, "w") as f:
            f.write(table)


def report(results, pages, names, runs):
    lines = ["| page | browser | window on screen | load event | memory (Pss) |",
             "|---|---|---|---|---|"]
    for page in pages:
        medians = {}
        for name in names:
            samples = results[(page, name)]
            medians[name] = [statistics.median(s[i] for s in samples) for i in range(3)]
        base = medians["bare"]
        for name in names:
            m = medians[name]
            cells = []
            for i, (value, unit) in enumerate(((m[0] * 1000, "ms"), (m[1] * 1000, "ms"),
                                               (m[2], "MiB"))):
                ratio = m[i] / base[i] if base[i] else float("nan")
                cells.append("%.0f %s (%.2f×)" % (value, unit, ratio))
            lines.append("| %s | %s | %s |" % (page, name, " | ".join(cells)))
    lines.append("")
    lines.append("Medians of %d interleaved starts; ratios to the bare reference." % runs)
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    main()
