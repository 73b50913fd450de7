#!/usr/bin/env python3
"""Crash safety, end to end, with the real Ombrix.exe under Wine.

A Server station (two RIDGE sites, one with its legend, and the national
image, every record accumulating a history) forwards its raw files to a LAN
folder. Over and over, the test makes every record due, starts the program
and kills it with SIGKILL: right after (0 to a few ms) a write of a chosen
kind begins - seen through inotify on the program's folder, the underlay
folder and the LAN folder - or at a uniformly random moment of the pass.
The kinds: the download list, the settings file (the test clicks File >
"Minimize on startup" over and over, each click saving it), an underlay, a
bounds file, a forwarded raw file, a history shift.

After every kill: the list parses record by record, the settings file has
every key, each .bmp (also history images and work files) is a complete BMP,
each bounds file is whole, each forwarded file is byte-identical to what
the feed served, and no history image is lost (checksums: every image is
still there under its name or a shifted one, but for the one a shift lets
go). Every few kills, and at the end, the program must complete a pass with
every record "OK" and its underlays written; at the end nothing temporary is
left.

    crash_safety_e2e.py WINDOWS_BUILD SOURCE_DIR
    OMBRIX_CRASH_KILLS=120 (default 14: each kind once, then kinds at random), OMBRIX_CRASH_SEED=N to repeat a run,
    OMBRIX_CRASH_CLEAN_EVERY=N (default 5)
"""
import collections
import ctypes
import hashlib
import os
import random
import re
import select
import shutil
import struct
import subprocess
import sys
import time
import unittest

sys.dont_write_bytecode = True  # no cache beside the sources
from e2e_stations import (LOCAL_UNDERLAYS, Feed, Station, bmp_problem, ini_problem, ini_values, is_temporary,
                          list_problem)

BUILD = SOURCE = None
RECORDS = [
    ("IL,Chicago,LOT", "Short Range Reflectivity, N0R"),
    ("IL,Lincoln,ILX", "Short Range Reflectivity, N0R"),
    ("!!Nat,National", ", "),
]
UNDERLAYS = {"LOT_N0R_0": "LOT", "ILX_N0R_0": "ILX", "Nat": "NAT"}  # current underlay: history name stem
NATIONAL_SIZE = (800, 376)
KINDS = ["list", "settings", "underlay", "bounds", "forward", "history", "anytime"]
# Every fifth start (by default) runs its pass to the end and closes.
CLEAN_EVERY = int(os.environ.get("OMBRIX_CRASH_CLEAN_EVERY", "5"))

IN_MODIFY, IN_MOVED_FROM, IN_MOVED_TO, IN_CREATE = 0x2, 0x40, 0x80, 0x100


class Inotify:
    """Write events of a few folders, through libc (no package needed)."""

    def __init__(self, folders):
        self.libc = ctypes.CDLL("libc.so.6", use_errno=True)
        self.fd = self.libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        self.folders = {}
        for key, folder in folders.items():
            wd = self.libc.inotify_add_watch(self.fd, folder.encode(), IN_MODIFY | IN_MOVED_FROM | IN_MOVED_TO |
                                             IN_CREATE)
            self.folders[wd] = key
        self.pending = b""

    def events(self, timeout):
        """(folder key, mask, name) of the events within timeout seconds."""
        ready, _, _ = select.select([self.fd], [], [], timeout)
        if not ready:
            return []
        try:
            self.pending += os.read(self.fd, 65536)
        except BlockingIOError:
            return []
        out = []
        while len(self.pending) >= 16:
            wd, mask, _, size = struct.unpack("iIII", self.pending[:16])
            if len(self.pending) < 16 + size:
                break
            name = self.pending[16:16 + size].rstrip(b"\0").decode(errors="replace")
            self.pending = self.pending[16 + size:]
            out.append((self.folders.get(wd), mask, name))
        return out

    def drain(self):
        while self.events(0):
            pass

    def close(self):
        os.close(self.fd)


def work_file(name):
    """A history work file: LOT_N0R_03.tmp, NAT2.tmp (not x.bmp.tmp)."""
    return re.fullmatch(r"[^.]+\d\.tmp", name, re.IGNORECASE) is not None


def is_trigger(kind, key, mask, name):
    low = name.lower()
    if kind == "list":
        return key == "folder" and low.startswith("downloadlist.txt")
    if kind == "settings":
        return key == "folder" and low.startswith("ombrix2.ini")
    if kind == "underlay":
        return key == "underlays" and low.endswith(".bmp.part") and mask & (IN_CREATE | IN_MODIFY)
    if kind == "bounds":
        return key == "underlays" and ".sat" in low
    if kind == "forward":
        return key == "lan"
    if kind == "history":
        return key == "underlays" and mask & (IN_MOVED_FROM | IN_MOVED_TO) and work_file(name)
    return False


def md5(path):
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest()


class FeedBodies:
    """What the feed served under each forwarded file name over the frames of
    the run: the feed's own content, made again for each frame time."""

    def __init__(self, started):
        sys.path.insert(0, os.path.join(SOURCE, "tools/radar-feed"))
        import feed_content as fc
        self.content = fc.FeedContent(["LOT", "ILX", "DVN", "MKX"], 60, NATIONAL_SIZE, "local")
        self.first_frame = int(started // 60) * 60 - 120
        self.paths = {
            "lot_n0r_0.gif": fc.RIDGE + "N0R/LOT_N0R_0.gif", "lot_n0r_0.gfw": fc.RIDGE + "N0R/LOT_N0R_0.gfw",
            "ilx_n0r_0.gif": fc.RIDGE + "N0R/ILX_N0R_0.gif", "ilx_n0r_0.gfw": fc.RIDGE + "N0R/ILX_N0R_0.gfw",
            "lot_n0r_legend_0.gif": fc.RIDGE_LEGEND + "N0R/LOT_N0R_Legend_0.gif",
            "ilx_n0r_legend_0.gif": fc.RIDGE_LEGEND + "N0R/ILX_N0R_Legend_0.gif",
            "latest_radaronly.gif": fc.RIDGE_NAT + "latest_radaronly.gif",
            "latest_radaronly.gfw": fc.RIDGE_NAT + "latest_radaronly.gfw",
        }
        self.digests = collections.defaultdict(set)  # name: checksums served
        self.frames_made = collections.defaultdict(set)  # name: frame times already made

    def matches(self, name, digest):
        name = name.lower()
        if name not in self.paths:
            return False
        for frame in range(self.first_frame, int(time.time()) + 60, 60):
            if digest in self.digests[name]:
                return True
            if frame not in self.frames_made[name]:
                self.frames_made[name].add(frame)
                self.content.clock = lambda: frame + 1
                self.digests[name].add(hashlib.md5(self.content.resolve(self.paths[name]).body).hexdigest())
        return digest in self.digests[name]


class CrashSafety(unittest.TestCase):
    def setUp(self):
        self.kills = int(os.environ.get("OMBRIX_CRASH_KILLS", "14"))
        self.rng = random.Random(int(os.environ.get("OMBRIX_CRASH_SEED", str(int(time.time())))))
        self.station = Station(BUILD, SOURCE, "crash", "[User]\r\nLegend=1\r\nLogErrors=1\r\nWebTimeOut=20\r\n")
        self.lan = os.path.join(BUILD, "e2e", "crash-lan")
        shutil.rmtree(self.lan, ignore_errors=True)
        os.makedirs(self.lan)
        self.feed = Feed(BUILD, SOURCE, os.path.join(BUILD, "e2e", "crash-feed"),
                         os.path.join(self.station.folder, "Ombrix2.ini"), "--frame-seconds", "60", "--warm",
                         "--national-size", "%dx%d" % NATIONAL_SIZE, "--lifetime", "7200")
        self.bodies = FeedBodies(time.time())
        self.toggler = None

    def tearDown(self):
        self.stop_toggler()
        self.feed.stop()
        self.station.end()

    # What is on disk ----------------------------------------------------------

    def images(self):
        """Checksums of every underlay image (current, history and work files) and their base."""
        found = []
        for name in os.listdir(self.station.underlays):
            low = name.lower()
            if low.endswith(".bmp") or work_file(name):
                path = os.path.join(self.station.underlays, name)
                if os.path.getsize(path) >= 10000:
                    found.append((md5(path), os.path.getmtime(path), self.base_of(name)))
        return found

    def temporaries(self):
        s = self.station
        return [n for d in (s.folder, s.underlays, self.lan) for n in os.listdir(d) if is_temporary(n) or work_file(n)]

    @staticmethod
    def base_of(name):
        stem = name.split(".")[0].upper()
        for current, history in UNDERLAYS.items():
            if stem == current.upper() or re.fullmatch(re.escape(history) + r"(_N0R_0)?\d+", stem):
                return current
        return stem

    def check_whole(self, before, why):
        s = self.station
        problems = []
        problem = list_problem(s.read("DownLoadList.txt"), len(RECORDS))
        if problem:
            problems.append("DownLoadList.txt: " + problem)
        problem = ini_problem(s.read("Ombrix2.ini"), self.urls)
        if problem:
            problems.append("Ombrix2.ini: " + problem)
        for name in sorted(os.listdir(s.underlays)):
            path = os.path.join(s.underlays, name)
            low = name.lower()
            if low.endswith(".bmp") or work_file(name):
                with open(path, "rb") as f:
                    problem = bmp_problem(f.read())
                if problem:
                    problems.append("%s: %s" % (name, problem))
            elif low.endswith(".sat"):
                with open(path, "rb") as f:
                    if f.read() not in self.bounds.values():
                        problems.append("%s: not a whole bounds file" % name)
        for name in sorted(os.listdir(self.lan)):
            if not is_temporary(name) and not self.bodies.matches(name, md5(os.path.join(self.lan, name))):
                problems.append("forwarded %s differs from what the feed served" % name)
        # The history: a pass shifts it once at most, so the nine newest images
        # of each underlay (current, history and work files) are all still
        # there; older ones may leave (one a shift, and one that a shift cut
        # short had already given number 10).
        after = collections.Counter(digest for digest, _, _ in self.images())
        by_base = collections.defaultdict(list)
        for digest, mtime, base in before:
            by_base[base].append((mtime, digest))
        for base, entries in by_base.items():
            kept = collections.Counter(d for _, d in sorted(entries, reverse=True)[:9])
            for digest, count in kept.items():
                if count > after[digest]:
                    problems.append("%s: %d history image(s) lost (%s)" % (base, count - after[digest], digest[:8]))
        self.assertEqual(problems, [], "after %s:\n%s\nunderlays: %s\nlan: %s" %
                         (why, "\n".join(problems), sorted(os.listdir(s.underlays)), sorted(os.listdir(self.lan))))

    # Driving the program ------------------------------------------------------

    def start_toggler(self):
        """Clicks "Minimize on startup" over and over once the window is up."""
        s = self.station
        script = "for i in $(seq 200); do wine '%s' toggle 50 >/dev/null 2>&1 || sleep 0.5; done" % \
            os.path.join(BUILD, "tests", "StationProbe.exe")
        self.toggler = subprocess.Popen(["bash", "-c", script], cwd=s.folder, env=s.env, start_new_session=True)

    def stop_toggler(self):
        if self.toggler:
            try:
                os.killpg(self.toggler.pid, 9)
            except OSError:
                pass
            self.toggler.wait()
            self.toggler = None

    def kill_during(self, kind, watcher, seconds=90):
        """Starts the program and kills it as the kind of write begins (or at a
        random moment); returns what triggered the kill."""
        s = self.station
        watcher.drain()
        s.start()
        if kind == "settings":
            self.start_toggler()
        start = time.monotonic()
        if kind == "anytime":
            moment = self.rng.uniform(0, self.pass_seconds)
            while time.monotonic() - start < moment and s.process.poll() is None:
                time.sleep(0.05)
            trigger = "%.1f s after start" % moment
        else:
            # The n-th matching event, so kills land early and late in a write sequence.
            nth, seen, trigger = self.rng.randint(1, 4), 0, None
            while trigger is None and time.monotonic() - start < seconds and s.process.poll() is None:
                for key, mask, name in watcher.events(0.5):
                    if is_trigger(kind, key, mask, name):
                        seen += 1
                        if seen >= nth:
                            trigger = name
                            break
            delay = self.rng.choice([0, 0, self.rng.uniform(0, 0.005), self.rng.uniform(0, 0.05)])
            time.sleep(delay)
            trigger = "%s + %.1f ms" % (trigger or "no such write", delay * 1000)
        self.assertTrue(s.kill9(), "Ombrix.exe had already ended before the kill (%s)" % trigger)
        self.stop_toggler()
        s.stop_wine()
        return trigger

    def clean_pass(self, why):
        """The program starts, completes a pass with every record "OK", and closes."""
        s = self.station
        s.start()
        begun = time.monotonic()
        done = s.wait_until(lambda: s.all_ok(len(RECORDS)) and all(
            os.path.exists(os.path.join(s.underlays, u + ".bmp")) for u in UNDERLAYS), 240, quiet=True)
        self.assertTrue(s.uiview_quits(), "the station did not end with UI-View32 (%s)" % why)
        self.assertTrue(done, "no complete pass %s: %s\n%s" % (why, s.statuses(), s.log_text()[-3000:]))
        return time.monotonic() - begun

    def test_killed_at_random_moments_of_its_writes_it_loses_nothing(self):
        s = self.station
        s.write("TargetDirList.txt", LOCAL_UNDERLAYS + "\r\n" + "Z:" + self.lan.replace("/", "\\") + "\\\r\n")
        s.make_list(RECORDS)
        s.make_due(accumulate=True)
        self.pass_seconds = self.clean_pass("at the first start")
        self.urls = ini_values(s.read("Ombrix2.ini"))["url"]  # the feed's addresses, as saved at the close
        self.bounds = {}
        for u in UNDERLAYS:
            with open(os.path.join(s.underlays, u + ".Sat"), "rb") as f:
                self.bounds[u] = f.read()
        watcher = Inotify({"folder": s.folder, "underlays": s.underlays, "lan": self.lan})
        tally = collections.Counter()
        leftovers = collections.Counter()
        inside = collections.Counter()
        try:
            for i in range(self.kills):
                kind = KINDS[i % len(KINDS)] if i < len(KINDS) else self.rng.choice(KINDS)
                s.make_due()
                before = self.images()
                temps_before = set(self.temporaries())
                trigger = self.kill_during(kind, watcher)
                temps = self.temporaries()
                leftovers.update(temps)
                tally[kind] += 1
                # Inside a write: it left a temporary or work file that was not there before.
                if set(temps) - temps_before:
                    inside[kind] += 1
                print("kill %3d %-8s at %-40s left %s" % (i + 1, kind, trigger, ",".join(temps) or "-"),
                      file=sys.stderr, flush=True)
                self.check_whole(before, "kill %d (%s at %s)" % (i + 1, kind, trigger))
                if (i + 1) % CLEAN_EVERY == 0:
                    s.make_due()
                    before = self.images()
                    self.clean_pass("after kill %d" % (i + 1))
                    self.check_whole(before, "the pass after kill %d" % (i + 1))
        finally:
            watcher.close()
        # Two passes: a shift cut short leaves work files until the next shift.
        for last in ("the last pass but one", "the last pass"):
            s.make_due()
            before = self.images()
            self.clean_pass(last)
            self.check_whole(before, last)
        print("\n%d kills: %s; of them inside a write (a new temporary file left): %s; temporary files seen "
              "after them: %d" % (sum(tally.values()), dict(tally), dict(inside), sum(leftovers.values())),
              file=sys.stderr)
        self.assertEqual(s.leftovers(s.underlays, self.lan), [], "nothing left behind")


if __name__ == "__main__":
    BUILD, SOURCE = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
