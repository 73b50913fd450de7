#!/usr/bin/env python3
"""The radar feed read back through ombrix-tool: every source kind a pass
fetches, at the URLs the program derives from the [URL] settings the feed
writes, parses with the program's own readers; and each misbehaviour makes
the program's fetch or reader fail the way it should.

    radar_feed_test.py OMBRIX_TOOL FEED_SCRIPT"""

import calendar
import os
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

TOOL = FEED = None


def run_tool(*args):
    r = subprocess.run([TOOL, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=60)
    return r.returncode, r.stdout


def fields(text):
    """'Key<TAB>value' lines of ombrix-tool as a dict."""
    return dict(line.split("\t", 1) for line in text.splitlines() if "\t" in line)


class RadarFeedTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.work = cls.dir.name
        cls.ini = os.path.join(cls.work, "Ombrix2.ini")
        with open(cls.ini, "w", newline="") as f:
            f.write("[User]\r\nMode=0\r\n[URL]\r\nRIDGE=http://elsewhere/ridge/RadarImg/\r\nProxyPort=80\r\n")
        port_file = os.path.join(cls.work, "port")
        cls.feed = subprocess.Popen([sys.executable, FEED, "--port-file", port_file, "--ini", cls.ini,
                                     "--frame-seconds", "60", "--lifetime", "300", "--quiet"],
                                    stdout=subprocess.DEVNULL)
        deadline = time.time() + 30
        while not os.path.exists(port_file):
            if time.time() > deadline or cls.feed.poll() is not None:
                raise RuntimeError("the feed did not start")
            time.sleep(0.05)
        with open(port_file) as f:
            cls.base = "http://127.0.0.1:%d" % int(f.read())

    @classmethod
    def tearDownClass(cls):
        cls.feed.terminate()
        cls.feed.wait(timeout=10)
        cls.dir.cleanup()

    def tearDown(self):
        self.control("mode=normal")

    def control(self, query):
        with urllib.request.urlopen(self.base + "/_control?" + query, timeout=10) as r:
            return r.read().decode()

    def record(self, description, product):
        rc, out = run_tool("record", description, product, "--ini", self.ini)
        self.assertEqual(rc, 0, out)
        return fields(out)

    def fetch(self, url, name, *options):
        path = os.path.join(self.work, name)
        if os.path.exists(path):
            os.remove(path)
        rc, out = run_tool("fetch", url, path, *options)
        return rc == 0, path, out

    @staticmethod
    def frame_stamps():
        """Names the newest frame may carry: now's, or the one before when the
        minute turned during the test."""
        now = int(time.time()) // 60 * 60
        return {time.strftime("%Y%m%d_%H%M", time.gmtime(t)) for t in (now, now - 60)}

    def test_settings_keep_other_lines_and_point_every_source_here(self):
        with open(self.ini, newline="") as f:
            text = f.read()
        self.assertIn("[User]\r\nMode=0\r\n", text)
        self.assertIn("ProxyPort=80\r\n", text)
        self.assertNotIn("elsewhere", text)
        for key in ("RIDGE", "RIDGENAT", "TAMU", "IOWAState1"):
            self.assertEqual(text.count("\r\n%s=%s/" % (key, self.base)), 1, key)

    def test_each_source_kind_reads_back_with_the_programs_readers(self):
        # (radar entry, product, listing URL, listing check, image size)
        lot = self.record("IL,Chicago,LOT", "Short Range Reflectivity, N0R")
        nat = self.record("!!Nat,National", ", ")
        iowa = self.record("!!ConUS,Iowa State University", ", ")
        tamu = self.record("!!USRad,Texas A&M Universtity", ", ")
        ridge = lot["ImageUrl"].rsplit("/", 2)[0] + "/"
        cases = [
            (lot, ridge + "N0R/LOT/", "newest-site", (600, 550), (-88.08, 41.60)),
            (nat, nat["ImageUrl"].rsplit("/", 1)[0] + "/", "newest-national", (1700, 800), (-100.0, 38.0)),
            (iowa, iowa["ImageUrl"].rsplit("/", 1)[0] + "/", "listing-time", (6000, 2600), (-100.0, 38.0)),
            (tamu, tamu["ImageUrl"].rsplit("/", 1)[0] + "/", "listing-time", (6000, 2600), (-100.0, 38.0)),
        ]
        for r, listing_url, reader, (width, height), (lon, lat) in cases:
            with self.subTest(source=r["Description"]):
                ok, listing, out = self.fetch(listing_url, r["BaseName"] + ".htm")
                self.assertTrue(ok, out)
                if reader == "listing-time":
                    image_name = r["ImageUrl"].rsplit("/", 1)[1]
                    rc, out = run_tool("listing-time", listing, image_name)
                    stamp = time.strftime("%Y%m%d_%H%M", time.strptime(out.strip(), "%Y-%m-%d %H:%M:%S UTC"))
                else:
                    rc, out = run_tool(reader, listing)
                    name = out.strip()
                    self.assertNotIn("_small", name)
                    rc2, t = run_tool("name-time", name)
                    self.assertEqual(rc2, 0, t)
                    stamp = time.strftime("%Y%m%d_%H%M", time.strptime(t.strip(), "%Y-%m-%d %H:%M:%S UTC"))
                    self.assertIn(stamp, name)
                self.assertEqual(rc, 0, out)
                self.assertIn(stamp, self.frame_stamps())

                ext = r["ImageUrl"].rsplit(".", 1)[1]
                ok, image, out = self.fetch(r["ImageUrl"], r["BaseName"] + "." + ext)
                self.assertTrue(ok, out)
                rc, info = run_tool("info", image)
                self.assertEqual(rc, 0, info)
                self.assertIn("%s %d x %d" % (ext.upper(), width, height), info)
                if ext == "png":
                    self.assertIn("colour type 3", info)
                    self.assertIn("transparency", info)
                    self.assertNotIn("transparency none", info)
                rc, out = run_tool("decode", image, image + ".bmp")
                self.assertEqual(rc, 0, out)

                ok, world, out = self.fetch(r["WorldUrl"], r["BaseName"] + ".world")
                self.assertTrue(ok, out)
                rc, bounds = run_tool("world", world, str(width), str(height))
                self.assertEqual(rc, 0, bounds)
                left, top, right, bottom = (float(v) for v in bounds.strip().split(","))
                self.assertTrue(left < lon < right and bottom < lat < top, bounds)

    def test_legend_sits_where_a_pass_looks_for_it(self):
        lot = self.record("IL,Chicago,LOT", "Short Range Reflectivity, N0R")
        base = lot["ImageUrl"]
        url = base[:base.upper().find("RADARIMG")] + "Legend/N0R/" + lot["LegendFile"]
        ok, legend, out = self.fetch(url, lot["LegendFile"])
        self.assertTrue(ok, out)
        rc, info = run_tool("info", legend)
        self.assertIn("GIF 600 x 550", info)

    def test_new_list_holds_the_demo_records_due_at_once(self):
        path = os.path.join(self.work, "DownLoadList.txt")
        rc, out = run_tool("new-list", path, "--ini", self.ini, "IL,Chicago,LOT", "Short Range Reflectivity, N0R",
                           "!!Nat,National", ", ", "!!ConUS,Iowa State University", ", ")
        self.assertEqual(rc, 0, out)
        rc, out = run_tool("list", path, "--ini", self.ini)
        self.assertIn("count 3", out)
        self.assertEqual(out.count("Enabled\tTRUE"), 3)
        self.assertIn("ImageUrl\t%s/ridge/RadarImg/N0R/LOT_N0R_0.gif" % self.base, out)
        first_due = out.split("NextAttempt\t", 1)[1].splitlines()[0]
        due = calendar.timegm(time.strptime(first_due, "%m/%d/%Y %H:%M:%S"))
        self.assertLess(due, time.time())

    def test_with_feed_runs_a_command_against_a_feed_of_its_own(self):
        wrapper = os.path.join(os.path.dirname(FEED), "with-feed.sh")
        out = os.path.join(self.work, "wrapped.wld")
        script = '"$0" fetch "${OMBRIX_FEED_IOWASTATE1}n0r_0.wld" "$1" && test -n "$OMBRIX_FEED_RIDGENAT"'
        r = subprocess.run(["bash", wrapper, "--frame-seconds", "120", "--", "bash", "-c", script, TOOL, out],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stdout)
        rc, bounds = run_tool("world", out, "6000", "2600")
        self.assertEqual(bounds.strip(), "-126,50,-66,24")

    def test_misbehaviour_fails_the_fetch_or_the_reader(self):
        lot = self.record("IL,Chicago,LOT", "Short Range Reflectivity, N0R")
        listing_url = lot["ImageUrl"].rsplit("/", 2)[0] + "/N0R/LOT/"
        # (mode, URL, how the program sees it)
        cases = [
            ("404", lot["ImageUrl"], "fetch fails"),
            ("refuse", lot["ImageUrl"], "fetch fails"),
            ("truncate", lot["ImageUrl"], "fetch fails"),
            ("overlong", lot["ImageUrl"], "fetch fails"),
            ("stall", lot["ImageUrl"], "fetch fails"),
            ("vanish-world", lot["WorldUrl"], "fetch fails"),
            ("vanish-world", lot["ImageUrl"], "fine"),
            ("corrupt", lot["ImageUrl"], "decode fails"),
            ("corrupt", lot["WorldUrl"], "fine"),
            ("garbage-listing", listing_url, "no newest image"),
        ]
        for mode, url, outcome in cases:
            with self.subTest(mode=mode, url=url):
                self.control("mode=%s&match=LOT" % mode)
                ok, path, out = self.fetch(url, "misbehaved", "--timeout", "1")
                self.assertEqual(ok, outcome != "fetch fails", out)
                if outcome == "decode fails":
                    rc, out = run_tool("decode", path, path + ".bmp")
                    self.assertNotEqual(rc, 0, out)
                if outcome == "no newest image":
                    rc, out = run_tool("newest-site", path)
                    self.assertEqual((rc, out.strip()), (1, ""))
        # A counted fault hits that many requests, then the feed is well again.
        self.control("mode=404&count=1")
        self.assertFalse(self.fetch(lot["WorldUrl"], "once")[0])
        self.assertTrue(self.fetch(lot["WorldUrl"], "once")[0])
        self.assertIn("count 0", self.control(""))


if __name__ == "__main__":
    TOOL, FEED = sys.argv[1], sys.argv[2]
    # Feed and station share a zone six hours behind UTC: the composite
    # listings print local times that the reader must turn back into UTC.
    os.environ["TZ"] = "CST6CDT"
    unittest.main(argv=sys.argv[:1], verbosity=1)
