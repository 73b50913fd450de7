#!/usr/bin/env python3
"""A radar feed on loopback for tests and the demo: publishes the RIDGE
per-site, RIDGE national and mesonet composite sources the way the real
servers lay them out, with generated moving storms, and can be told to
misbehave. See README.md beside this file."""

import argparse
import os
import random
import signal
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import feed_content  # noqa: E402
from listings import garbage_page  # noqa: E402
from station_settings import url_settings, write_url_section  # noqa: E402

MODES = ("normal", "stall", "refuse", "404", "truncate", "overlong", "corrupt", "garbage-listing",
         "vanish-world")
# Modes that only touch one kind of resource; the others touch every request.
MODE_KINDS = {"corrupt": "image", "garbage-listing": "listing", "vanish-world": "world"}


class Misbehaviour:
    """The current fault: a mode, a path substring it is limited to, and how
    many more requests it hits (-1: every one)."""

    def __init__(self, mode="normal", match="", count=-1):
        self.lock = threading.Lock()
        self.set(mode, match, count)

    def set(self, mode, match="", count=-1):
        if mode not in MODES:
            raise ValueError("unknown mode %r (one of %s)" % (mode, ", ".join(MODES)))
        with self.lock:
            self.mode, self.match, self.count = mode, match, count

    def describe(self):
        with self.lock:
            return "mode %s match %s count %d" % (self.mode, self.match or "*", self.count)

    def take(self, path, kind):
        """The mode to apply to this request, counting it down."""
        with self.lock:
            if self.mode == "normal" or self.count == 0 or self.match not in path:
                return "normal"
            wanted = MODE_KINDS.get(self.mode)
            if wanted and wanted != kind:
                return "normal"
            if self.count > 0:
                self.count -= 1
            return self.mode


class FeedClock:
    """The feed's notion of now: the real time, or a moment a test set (then
    it stands still until set again, so a test on a simulated clock decides
    when frames change)."""

    def __init__(self):
        self.lock = threading.Lock()
        self.fixed = None

    def set(self, text):
        value = None if text in ("", "real") else float(text)
        with self.lock:
            self.fixed = value

    def __call__(self):
        with self.lock:
            return time.time() if self.fixed is None else self.fixed


class FeedServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, content, fault, stall_seconds, quiet, clock):
        super().__init__(address, FeedHandler)
        self.content, self.fault, self.clock = content, fault, clock
        self.stall_seconds, self.quiet = stall_seconds, quiet
        self.stopping = threading.Event()
        self.requests = []
        self.requests_lock = threading.Lock()

    def note(self, line):
        with self.requests_lock:
            self.requests.append(line)
        if not self.quiet:
            sys.stderr.write("radar-feed: %s\n" % line)
            sys.stderr.flush()


class FeedHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "Apache/2.4.62 (radar-feed)"

    def log_message(self, *args):  # the server notes requests itself
        pass

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/_control":
            return self._control(urllib.parse.parse_qs(url.query))
        if url.path == "/_clock":
            return self._clock(urllib.parse.parse_qs(url.query))
        if url.path == "/_requests":
            with self.server.requests_lock:
                text = "".join(line + "\n" for line in self.server.requests)
            return self._send(200, text.encode(), "text/plain")
        resource = self.server.content.resolve(url.path)
        kind = resource.kind if resource else "missing"
        mode = self.server.fault.take(url.path, kind)
        self.server.note("GET %s %s%s" % (url.path, kind, "" if mode == "normal" else " [%s]" % mode))
        if mode == "refuse":
            return self._drop()
        if mode == "stall":
            # Keep the connection open and say nothing, until told to stop.
            self.server.stopping.wait(self.server.stall_seconds)
            return self._drop()
        if resource is None or mode in ("404", "vanish-world"):
            return self._send(404, b"<html><body><h1>Not Found</h1></body></html>\r\n", "text/html")
        body = resource.body
        if mode == "corrupt":
            rng = random.Random(len(body))
            body = body[:16] + rng.randbytes(len(body) - 16)
        elif mode == "garbage-listing":
            body = garbage_page()
        if mode == "truncate":
            return self._send(200, body, resource.content_type, cut=len(body) // 2)
        if mode == "overlong":
            return self._send(200, body, resource.content_type, extra=b"\0" * 4096)
        return self._send(200, body, resource.content_type)

    def _control(self, query):
        try:
            if "mode" in query:
                self.server.fault.set(query["mode"][0], query.get("match", [""])[0],
                                      int(query.get("count", ["-1"])[0]))
        except ValueError as e:
            return self._send(400, (str(e) + "\n").encode(), "text/plain")
        return self._send(200, (self.server.fault.describe() + "\n").encode(), "text/plain")

    def _clock(self, query):
        try:
            if "utc" in query:
                self.server.clock.set(query["utc"][0])
                if self.server.clock.fixed is not None:
                    # A test on a simulated clock waits for the frame here,
                    # not in the middle of a fetch it times on that clock.
                    self.server.content.warm()
        except ValueError as e:
            return self._send(400, (str(e) + "\n").encode(), "text/plain")
        return self._send(200, ("%d\n" % self.server.clock()).encode(), "text/plain")

    def _send(self, code, body, content_type, cut=None, extra=b""):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        try:
            # The surplus goes out in the same send as the body: sent apart,
            # a client could finish at Content-Length before it arrives.
            self.wfile.write((body if cut is None else body[:cut]) + extra)
            self.wfile.flush()
        except OSError:
            pass  # the client gave up; nothing to tell it

    def _drop(self):
        self.close_connection = True
        try:
            self.connection.shutdown(2)
        except OSError:
            pass


def warm_each_frame(content, stopping):
    while not stopping.is_set():
        content.warm()
        next_frame = content.frame_time() + content.frame_seconds
        stopping.wait(max(1.0, next_frame - content.clock() + 0.5))


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: any free one)")
    p.add_argument("--port-file", help="write the chosen port to this file")
    p.add_argument("--ini", help="write the [URL] section that points a station here into this file")
    p.add_argument("--sites", default="LOT,ILX,DVN,MKX",
                   help="RIDGE sites to publish, from " + ",".join(sorted(feed_content.SITES)))
    p.add_argument("--frame-seconds", type=int, default=300, help="a new frame every N seconds (multiple of 60)")
    p.add_argument("--national-size", default="1700x800",
                   help="size of the RIDGE national image, WxH (the real one is 3400x1600)")
    p.add_argument("--composite-size", default="6000x2600",
                   help="size of the two mesonet composites, WxH (the real ones are 6000x2600)")
    p.add_argument("--listing-zone", choices=("local", "utc"), default="local",
                   help="clock of the composite listings' file times (the station reads them as its local time)")
    p.add_argument("--mode", default="normal", choices=MODES, help="misbehaviour from the start")
    p.add_argument("--match", default="", help="limit the misbehaviour to paths containing this text")
    p.add_argument("--count", type=int, default=-1, help="misbehave on this many requests only (-1: all)")
    p.add_argument("--stall-seconds", type=float, default=120, help="how long a stalled request hangs")
    p.add_argument("--lifetime", type=float, default=1800, help="stop by itself after this many seconds")
    p.add_argument("--warm", action="store_true",
                   help="make each new frame's images as soon as the frame starts, not at the first fetch")
    p.add_argument("--quiet", action="store_true", help="do not print requests on stderr")
    args = p.parse_args(argv)
    if args.frame_seconds < 60 or args.frame_seconds % 60:
        p.error("--frame-seconds must be a multiple of 60 (image names carry minutes)")
    for option in ("national_size", "composite_size"):
        try:
            w, h = (int(v) for v in getattr(args, option).lower().split("x"))
            if w < 8 or h < 8:
                raise ValueError
            setattr(args, option, (w, h))
        except ValueError:
            p.error("--%s must be WIDTHxHEIGHT, at least 8x8" % option.replace("_", "-"))
    unknown = [s for s in args.sites.split(",") if s not in feed_content.SITES]
    if unknown:
        p.error("unknown sites: " + ",".join(unknown))
    return args


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    clock = FeedClock()
    content = feed_content.FeedContent(args.sites.split(","), args.frame_seconds, args.national_size,
                                       args.listing_zone, clock=clock, composite_size=args.composite_size)
    server = FeedServer(("127.0.0.1", args.port), content, Misbehaviour(args.mode, args.match, args.count),
                        args.stall_seconds, args.quiet, clock)
    port = server.server_address[1]
    base = "http://127.0.0.1:%d" % port
    if args.ini:
        write_url_section(args.ini, base)
    print(port)
    for key, value in url_settings(base):
        print("%s=%s" % (key, value))
    sys.stdout.flush()
    # Last: whoever waits for this file finds everything above done.
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)

    def stop(*_):
        server.stopping.set()
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.warm:
        threading.Thread(target=warm_each_frame, args=(content, server.stopping), daemon=True).start()
    timer = threading.Timer(args.lifetime, stop)
    timer.daemon = True
    timer.start()
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        timer.cancel()
        server.stopping.set()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
