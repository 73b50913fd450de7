#!/usr/bin/env python3
"""Passes for a long while, with the real Ombrix.exe under Wine.

A Server station with the four kinds of source (a RIDGE site with its
legend, the national image, both composites) runs its passes against the
radar feed, which makes a new frame every minute, while the test switches
the feed through its misbehaviours in turn (stall, refuse, 404, truncate,
overlong, corrupt, garbage-listing, vanish-world), well again between them.
It samples Ombrix.exe's resident memory and descriptors (Linux side) and its
handle, GDI and USER counts (StationProbe.exe), and asserts them flat: the
last samples within a small margin of those after the first passes. Then
the feed is well again for good: every record must come back to "OK", and
nothing may be left behind in the program's or the underlay folder.

    long_run_e2e.py WINDOWS_BUILD SOURCE_DIR
    OMBRIX_LONG_RUN_SECONDS=3600 (default 96)
"""
import os
import shutil
import sys
import time
import unittest

sys.dont_write_bytecode = True  # no cache beside the sources
from e2e_stations import FOUR_SOURCES, LOCAL_UNDERLAYS, Feed, Station

BUILD = SOURCE = None
RECORDS = FOUR_SOURCES
MODES = ["stall", "refuse", "404", "truncate", "overlong", "corrupt", "garbage-listing", "vanish-world"]
SAMPLE_SECONDS = 20
DUE_SECONDS = 60
# Floors (minimum over a window of samples) compared, so a sample taken
# while a composite is being converted does not count as growth.
WINDOW = 4
# Wine answers GetProcessHandleCount for another process and GetGuiResources
# with 0: the handles are counted in the system's handle table instead, and
# the process's windows stand in for its USER objects (GDI is not counted).
MARGINS = {"rss_kib": 12 * 1024, "fds": 6, "table_handles": 12, "handles": 12, "gdi": 6, "user": 6, "windows": 3}


class LongRun(unittest.TestCase):
    def setUp(self):
        self.seconds = int(os.environ.get("OMBRIX_LONG_RUN_SECONDS", "96"))
        self.sample_seconds = min(SAMPLE_SECONDS, max(5, self.seconds // 180))
        self.station = Station(BUILD, SOURCE, "long-run", "[User]\r\nLegend=1\r\nLogErrors=1\r\nWebTimeOut=20\r\n")
        self.lan = os.path.join(BUILD, "e2e", "long-run-lan")
        shutil.rmtree(self.lan, ignore_errors=True)
        os.makedirs(self.lan)
        self.feed = Feed(BUILD, SOURCE, os.path.join(BUILD, "e2e", "long-run-feed"),
                         os.path.join(self.station.folder, "Ombrix2.ini"), "--frame-seconds", "60", "--warm",
                         "--stall-seconds", "40", "--lifetime", str(self.seconds + 1200))

    def tearDown(self):
        self.feed.stop()
        self.station.end()

    def sample(self):
        s = self.station
        probe = s.probe("resources")
        row = {"t": time.monotonic() - self.started, "rss_kib": s.status_value("VmRSS"), "fds": s.descriptors()}
        for key in ("handles", "table_handles", "gdi", "user", "windows"):
            row[key] = int(probe.get(key, -1))
        row["statuses"] = s.statuses()
        self.samples.append(row)
        print("%6.0f s  rss %6d KiB  fds %3d  handles %4d (table %4d)  gdi %3d  user %3d  windows %3d  %s" %
              (row["t"], row["rss_kib"], row["fds"], row["handles"], row["table_handles"], row["gdi"], row["user"],
               row["windows"], ",".join(row["statuses"])), file=sys.stderr, flush=True)

    def watch(self, seconds):
        """Makes every record due every DUE_SECONDS (as "Download" on each row
        does), samples every few seconds and notes every record that turns
        "OK" after a failure."""
        end = time.monotonic() + seconds
        next_sample = next_due = time.monotonic()
        while time.monotonic() < end:
            if time.monotonic() >= next_due:
                self.station.probe("due")
                next_due += DUE_SECONDS
            statuses = self.station.statuses()
            for i, status in enumerate(statuses):
                if status and status != "OK" and not status.startswith("Waiting") and i not in self.failing:
                    self.failing.add(i)
                elif status == "OK" and i in self.failing:
                    self.failing.discard(i)
                    self.recoveries += 1
            self.assertIsNone(self.station.process.poll(), "Ombrix.exe ended during the run")
            if time.monotonic() >= next_sample:
                self.sample()
                next_sample += self.sample_seconds
            time.sleep(1)

    def test_passes_stay_flat_through_every_misbehaviour(self):
        s = self.station
        s.write("TargetDirList.txt", LOCAL_UNDERLAYS + "\r\n" + "Z:" + self.lan.replace("/", "\\") + "\\\r\n")
        s.make_list(RECORDS)
        s.start()
        self.started, self.samples, self.failing, self.recoveries = time.monotonic(), [], set(), 0
        self.assertTrue(s.wait_until(lambda: s.all_ok(len(RECORDS)), 300),
                        "first pass: %s\n%s" % (s.statuses(), s.log_text()))
        self.watch(self.sample_seconds * WINDOW)
        baseline = self.samples[-WINDOW:]

        # Each misbehaviour for a while, then the feed well again as long.
        phase = max(6, self.seconds // (2 * len(MODES)))
        for mode in MODES:
            print("feed: %s for %d s" % (mode, phase), file=sys.stderr, flush=True)
            self.feed.control(mode)
            self.watch(phase)
            self.feed.control("normal")
            self.watch(phase)

        # The records that failed last come back once they are due again.
        s.probe("due")
        self.assertTrue(s.wait_until(lambda: s.all_ok(len(RECORDS)), 420, quiet=True),
                        "no recovery: %s\n%s" % (s.statuses(), s.log_text()[-3000:]))
        self.watch(self.sample_seconds * WINDOW)
        final = self.samples[-WINDOW:]
        faults = [line for line in self.feed.requests() if line.endswith("]")]
        passes = sum(1 for line in self.feed.requests() if " listing" in line)

        report = []
        for key, margin in MARGINS.items():
            start, end = min(r[key] for r in baseline), min(r[key] for r in final)
            report.append("%s %d -> %d" % (key, start, end))
            if start >= 0:
                self.assertLessEqual(end, start + margin, "%s grew from %d to %d" % (key, start, end))
        print("\n%d s: %d listing fetches, %d faulty answers, %d recoveries; %s" %
              (self.seconds, passes, len(faults), self.recoveries, "; ".join(report)), file=sys.stderr)
        self.assertGreater(len(faults), 0, "no misbehaviour reached the program")

        self.assertTrue(s.uiview_quits(), "the station did not end with UI-View32")
        self.assertTrue(all(st == "OK" or st.startswith("Waiting") for st in s.statuses()), s.statuses())
        self.assertEqual(s.leftovers(s.underlays, self.lan), [], "nothing left behind")


if __name__ == "__main__":
    BUILD, SOURCE = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
