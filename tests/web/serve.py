"""The browser tests' web server: Python's static file server on a free port of 127.0.0.1, saying
its port on the first line. It can also withhold the length of some files (their body then ends
when the connection closes, as a host compressing on the fly sends it) and announce a length past
any picture's for others: serve.py [WITHHELD,... [OVERSIZED,...]]."""
import http.server
import sys

withheld = set(sys.argv[1].split(",")) if len(sys.argv) > 1 else set()
oversized = set(sys.argv[2].split(",")) if len(sys.argv) > 2 else set()


class Handler(http.server.SimpleHTTPRequestHandler):
    def send_header(self, keyword, value):
        name = self.path.lstrip("/")
        if keyword == "Content-Length" and name in withheld:
            return
        if keyword == "Content-Length" and name in oversized:
            value = str(5 << 30)
        super().send_header(keyword, value)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print("port", server.server_address[1], flush=True)
server.serve_forever()
