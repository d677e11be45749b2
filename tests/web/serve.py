"""The browser tests' and benchmarks' web server: a small threaded static server of the current
folder on a free port of 127.0.0.1 (HTTP/1.1, connections kept alive, never compressed), saying its
port on the first line of stdout.

    serve.py [--down MBIT] [--rtt MS] [--withhold NAMES] [--oversize NAMES]
             [--stall NAMES] [--drop NAMES] [--hang] [--port PORT] [--inject FILE]

NAMES is a comma-separated list of file names (paths below the folder, no leading slash); for
--stall and --drop each may end in :BYTES. E.g. serve.py --down 9 --rtt 85 --drop Sun.bmp:4096
  --down MBIT      a link's downstream: every byte sent, by all responses in flight together, goes
                   through one shared budget of MBIT million bits a second (first come, first served, in
                   16 KiB slices, so parallel bodies share it).
  --rtt MS         a link's round trip: waited once on each new connection (the TCP handshake) and
                   again before each response (the request's way up and the answer's way down).
                   No slow start, no loss.
  --withhold       sends those files without their length: the body ends when the connection
                   closes, as a host compressing on the fly sends it.
  --oversize       announces a length past any picture's (5 GiB) for those files.
  --stall NAME[:BYTES]  sends the headers and BYTES of the body (half of it by default), then
                   nothing more; the connection stays open until the client closes it.
  --drop NAME[:BYTES]   sends the headers with the full length and BYTES of the body (half by
                   default), then closes the connection.
  --hang           answers nothing: each connection is taken and its requests read, then held
                   silent until the client closes it (a dead link that still accepts, a captive
                   portal). Its requests are said; no response is.
  --port PORT      listens on PORT instead of a free one: a server started in another's place,
                   for the same origin.
  --inject FILE    puts FILE's script into every page (.html) served, first in its head, so that
                   it runs before the page's own scripts on any browser.

Traffic, one line on stdout per event, for the harness to count:
    request METHOD PATH            when a request arrives
    response METHOD PATH STATUS BYTES [stalled|dropped|cut]
                                   when its response has ended (BYTES: body bytes sent; stalled
                                   when the stall begins, cut when the client went away first)
"""
import argparse
import email.utils
import http.server
import io
import os
import threading
import time
import urllib.parse


def names(text):
    return [name for name in text.split(",") if name] if text else []


def with_bytes(entries):
    """NAME[:BYTES] entries as {name: bytes or None (half the body)}."""
    table = {}
    for entry in entries:
        name, _, count = entry.partition(":")
        table[name] = int(count) if count else None
    return table


parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
parser.add_argument("--down", type=float, default=0, metavar="MBIT")
parser.add_argument("--rtt", type=float, default=0, metavar="MS")
parser.add_argument("--withhold", default="", metavar="NAMES")
parser.add_argument("--oversize", default="", metavar="NAMES")
parser.add_argument("--stall", default="", metavar="NAMES")
parser.add_argument("--drop", default="", metavar="NAMES")
parser.add_argument("--hang", action="store_true")
parser.add_argument("--port", type=int, default=0)
parser.add_argument("--inject", metavar="FILE")
options = parser.parse_args()
withheld = set(names(options.withhold))
oversized = set(names(options.oversize))
injected = None
if options.inject:
    with open(options.inject, "rb") as script:
        injected = b"<head>\n<script>" + script.read() + b"</script>"
stalled = with_bytes(names(options.stall))
dropped = with_bytes(names(options.drop))
round_trip = options.rtt / 1000
bytes_per_second = options.down * 1e6 / 8

say_lock = threading.Lock()


def say(*words):
    with say_lock:
        print(*words, flush=True)


class Link:
    """The shared downstream: each slice of bytes takes the next free stretch of the line's time,
    and its writer waits until that stretch has passed. A response's next slice follows its last
    one on the line's clock, not the writer's: a writer that woke late (a busy machine) catches up
    (by up to `slack` seconds) instead of losing the line's time."""

    slice = 16 << 10
    slack = 0.1

    def __init__(self):
        self.lock = threading.Lock()
        self.free_at = 0.0

    def wait_for(self, count, after):
        """Sends `count` bytes after the time `after` (None: a response's first bytes); returns
        when they are through."""
        if bytes_per_second <= 0:
            return None
        now = time.monotonic()
        with self.lock:
            start = max(self.free_at, now if after is None else max(after, now - self.slack))
            self.free_at = done = start + count / bytes_per_second
        time.sleep(max(0.0, done - time.monotonic()))
        return done


link = Link()


class Writer:
    """The connection's output through the link, counting what follows the headers as body."""

    def __init__(self, raw, handler):
        self.raw = raw
        self.handler = handler
        self.through = None  # when the response's last slice was through, on the line's clock

    def write(self, data):
        view = memoryview(data)
        for at in range(0, len(view), Link.slice):
            piece = view[at:at + Link.slice]
            self.through = link.wait_for(len(piece), self.through)
            self.raw.write(piece)
            if self.handler.in_body:
                self.handler.body_bytes += len(piece)
        return len(view)

    def __getattr__(self, name):  # flush, close, closed
        return getattr(self.raw, name)


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def setup(self):
        super().setup()
        self.wfile = Writer(self.wfile, self)
        self.in_body, self.body_bytes = False, 0  # an error before any request line writes too
        time.sleep(round_trip)  # the handshake

    def name(self):
        return urllib.parse.unquote(urllib.parse.urlsplit(self.path).path).lstrip("/")

    def answer(self, method, respond):
        say("request", method, self.path)
        if options.hang:
            self.hold()
            return
        self.in_body, self.body_bytes, self.status, self.ending = False, 0, 0, ""
        time.sleep(round_trip)
        self.wfile.through = None
        try:
            respond()
        except (BrokenPipeError, ConnectionResetError):
            self.ending = "cut"
            self.close_connection = True
        if self.ending != "stalled":  # a stall has said its line when it began
            say("response", method, self.path, self.status, self.body_bytes, self.ending)

    def do_GET(self):
        self.answer("GET", super().do_GET)

    def do_HEAD(self):
        self.answer("HEAD", super().do_HEAD)

    def send_head(self):
        path = self.translate_path(self.path)
        if injected and os.path.isdir(path):
            path = os.path.join(path, "index.html")
        if not injected or not path.endswith(".html") or not os.path.isfile(path):
            return super().send_head()
        # Revalidated by the page file's date, as the plain server does, so that a reload costs
        # what it costs without the script.
        modified = int(os.stat(path).st_mtime)
        since = self.headers.get("If-Modified-Since")
        try:
            fresh = since and email.utils.parsedate_to_datetime(since).timestamp() >= modified
        except (TypeError, ValueError):
            fresh = False
        if fresh:
            self.send_response(304)
            self.end_headers()
            return None
        with open(path, "rb") as page:
            body = page.read().replace(b"<head>", injected, 1)
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Last-Modified", self.date_time_string(modified))
        self.end_headers()
        return io.BytesIO(body)

    def send_response(self, code, message=None):
        self.status = code
        super().send_response(code, message)

    def send_header(self, keyword, value):
        if keyword == "Content-Length" and self.name() in withheld:
            super().send_header("Connection", "close")  # the close ends the body
            return
        if keyword == "Content-Length" and self.name() in oversized:
            super().send_header("Connection", "close")
            value = str(5 << 30)
        super().send_header(keyword, value)

    def end_headers(self):
        super().end_headers()
        self.in_body = True

    def copyfile(self, source, output):
        name = self.name()
        if name not in stalled and name not in dropped:
            return super().copyfile(source, output)
        part = stalled.get(name, dropped.get(name))
        if part is None:
            part = os.fstat(source.fileno()).st_size // 2
        output.write(source.read(part))
        self.close_connection = True
        if name in stalled:
            self.ending = "stalled"
            say("response", "GET", self.path, self.status, self.body_bytes, self.ending)
            self.hold()
        else:
            self.ending = "dropped"

    def hold(self):
        """Holds the connection, saying nothing more, until the client lets go."""
        self.close_connection = True
        try:
            while self.connection.recv(1 << 16):
                pass
        except OSError:
            pass

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", options.port), Handler)
print("port", server.server_address[1], flush=True)
server.serve_forever()
