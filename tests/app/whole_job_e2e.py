#!/usr/bin/env python3
"""The whole job, end to end, with the real Ombrix.exe under Wine.

Two stations, each a Wine prefix of its own with a simulated UI-View32 (a
process of its own) showing a PMapServer 7 map:

- a Server station downloads one RIDGE site with its legend, the national
  image and both composites from the radar feed on loopback, writes every
  underlay and bounds file into its own underlay folder and forwards the raw
  files to the Client station's underlay folder (its LAN target);
- the Client station converts what was dropped and removes it.

Both must save every record with status "OK", ask their UI-View32 to redraw
the underlay it shows, and leave nothing behind. Each station is ended the
way a user's UI-View32 ends it: UI-View32 closes, Ombrix follows.

    whole_job_e2e.py WINDOWS_BUILD SOURCE_DIR
"""
import os
import shutil
import subprocess
import sys
import time
import unittest

BUILD = SOURCE = None
RECORDS = [
    ("IL,Chicago,LOT", "Short Range Reflectivity, N0R"),
    ("!!Nat,National", ", "),
    ("!!ConUS,Iowa State University", ", "),
    ("!!USRad,Texas A&M Universtity", ", "),
]
UNDERLAYS = ["LOT_N0R_0", "Nat", "ConUs", "USRad"]
RAW_FILES = ["LOT_N0R_0.gif", "LOT_N0R_0.gfw", "LOT_N0R_Legend_0.gif", "latest_radaronly.gif",
             "latest_radaronly.gfw", "n0r_0.png", "n0r_0.wld", "01_USrad.png", "01_USrad.wld"]
PASS_SECONDS = 150  # generous: the composites are 6000 x 2600 under Wine on a loaded machine


class Station:
    """One PC: a Wine prefix with the simulated hosts and a station folder."""

    def __init__(self, name, ini):
        self.name = name
        self.prefix = os.path.join(BUILD, "wine", "e2e-" + name)
        self.folder = os.path.join(BUILD, "e2e", name)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH="win32", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        subprocess.run(["bash", os.path.join(SOURCE, "tests/host/wine-host-fixture.sh"), BUILD, self.prefix,
                        "--demo", "LOT_N0R_0.bmp"], check=True, env=self.env, stdout=subprocess.DEVNULL)
        self.uiview = os.path.join(self.prefix, "drive_c/Program Files/UI-View32")
        self.underlays = os.path.join(self.prefix, "drive_c/Program Files/PMapServer7/PMap Underlays")
        for leftover in os.listdir(self.underlays):
            os.remove(os.path.join(self.underlays, leftover))
        for log in ("UiView32Double.log", "UiView32Double.cmd"):
            if os.path.exists(os.path.join(self.uiview, log)):
                os.remove(os.path.join(self.uiview, log))
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        for exe in ("Ombrix.exe", "ombrix-tool.exe"):
            shutil.copy(os.path.join(BUILD, exe), self.folder)
        self.write("Ombrix2.ini", ini)
        self.process = None

    def write(self, name, text):
        with open(os.path.join(self.folder, name), "w", newline="") as f:
            f.write(text)

    def read(self, name):
        # Windows names ignore case: the program may spell a file its own way.
        for found in os.listdir(self.folder):
            if found.lower() == name.lower():
                name = found
        with open(os.path.join(self.folder, name), newline="", errors="replace") as f:
            return f.read()

    def wine(self, *args, **kw):
        return subprocess.run(["wine", *args], cwd=self.folder, env=self.env, **kw)

    def make_list(self):
        args = [a for record in RECORDS for a in record]
        self.wine("ombrix-tool.exe", "new-list", "DownLoadList.txt", "--ini", "Ombrix2.ini", *args,
                  check=True, stdout=subprocess.DEVNULL)

    def statuses(self):
        try:
            lines = self.read("DownLoadList.txt").split("\r\n")
        except OSError:
            return []
        return [line.split("\t")[3] for line in lines if line.count("\t") >= 3]

    def start(self):
        self.process = subprocess.Popen(["wine", "Ombrix.exe"], cwd=self.folder, env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def peak_kib(self):
        """Peak resident size of the station's Ombrix.exe process (0 when not found)."""
        peak = 0
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    if b"Ombrix.exe" not in f.read():
                        continue
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if ("WINEPREFIX=" + self.prefix).encode() not in f.read():
                        continue
                with open("/proc/%s/status" % pid) as f:
                    for line in f:
                        if line.startswith("VmHWM:"):
                            peak = max(peak, int(line.split()[1]))
            except OSError:
                pass
        return peak

    def wait_until(self, done, seconds):
        """Polls done() each second; prints how long it took and the peak memory."""
        start, peak = time.monotonic(), 0
        deadline = start + seconds
        while time.monotonic() < deadline:
            peak = max(peak, self.peak_kib())
            if done():
                print("\n%s station: done in %.0f s, Ombrix.exe peak resident %d KiB" %
                      (self.name, time.monotonic() - start, peak), file=sys.stderr)
                return True
            if self.process.poll() is not None:
                return done()
            time.sleep(1)
        return done()

    def uiview_quits(self):
        """UI-View32 closes; "Shut Down when UiView terminates" ends Ombrix."""
        with open(os.path.join(self.uiview, "UiView32Double.cmd"), "w", newline="") as f:
            f.write("quit\r\n")
        try:
            return self.process.wait(60) is not None
        except subprocess.TimeoutExpired:
            self.process.kill()
            return False
        finally:
            subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)

    def uiview_calls(self):
        path = os.path.join(self.uiview, "UiView32Double.log")
        if not os.path.exists(path):
            return ""
        with open(path, errors="replace") as f:
            return f.read()

    def stray_files(self, allowed):
        allowed = {a.lower() for a in allowed}
        return sorted(n for n in os.listdir(self.folder)
                      if n.lower() not in allowed and not (n.startswith("R") and n.endswith("ErrorLog.txt")))

    def log_text(self):
        return "".join(self.read(n) for n in os.listdir(self.folder) if n.endswith("ErrorLog.txt"))


STATION_FILES = {"Ombrix.exe", "ombrix-tool.exe", "Ombrix2.ini", "DownLoadList.txt", "TargetDirList.txt"}


class WholeJob(unittest.TestCase):
    def setUp(self):
        self.feed_dir = os.path.join(BUILD, "e2e")
        os.makedirs(self.feed_dir, exist_ok=True)
        self.port_file = os.path.join(self.feed_dir, "feed.port")
        if os.path.exists(self.port_file):
            os.remove(self.port_file)
        self.server = Station("server", "[User]\r\nLegend=1\r\nLogErrors=1\r\n")
        self.client = Station("client", "[User]\r\nMode=1\r\nLegend=1\r\nLogErrors=1\r\n")
        with open(os.path.join(self.feed_dir, "feed.log"), "w") as feed_log:
            self.feed = subprocess.Popen(
                [sys.executable, os.path.join(SOURCE, "tools/radar-feed/radar_feed.py"), "--port-file",
                 self.port_file, "--ini", os.path.join(self.server.folder, "Ombrix2.ini"), "--frame-seconds", "120",
                 "--warm", "--lifetime", "900", "--quiet"],
                stdout=subprocess.DEVNULL, stderr=feed_log)
        for _ in range(300):
            if os.path.exists(self.port_file) and os.path.getsize(self.port_file):
                break
            time.sleep(0.1)
        self.assertTrue(os.path.exists(self.port_file), "the radar feed did not start")

    def tearDown(self):
        self.feed.terminate()
        self.feed.wait(30)
        for station in (self.server, self.client):
            if station.process and station.process.poll() is None:
                station.process.kill()
            subprocess.run(["wineserver", "-k"], env=station.env, stderr=subprocess.DEVNULL)

    def test_server_downloads_converts_forwards_and_client_converts_the_drop(self):
        server, client = self.server, self.client
        lan = "Z:" + client.underlays.replace("/", "\\") + "\\"
        server.write("TargetDirList.txt", "C:\\Program Files\\PMapServer7\\PMap Underlays\\\r\n" + lan + "\r\n")
        server.make_list()
        server.start()
        all_ok = lambda station: station.statuses() == ["OK"] * len(RECORDS)
        finished = server.wait_until(lambda: all_ok(server), PASS_SECONDS)
        self.assertTrue(server.uiview_quits(), "the server station did not end with UI-View32")
        self.assertTrue(finished, "server statuses %s; log:\n%s" % (server.statuses(), server.log_text()))

        for base in UNDERLAYS:
            for ext in (".bmp", ".Sat"):
                self.assertTrue(os.path.exists(os.path.join(server.underlays, base + ext)), base + ext)
        with open(os.path.join(server.underlays, "LOT_N0R_0.bmp"), "rb") as f:
            head = f.read(2)
        self.assertEqual(head, b"BM")
        self.assertEqual(sorted(os.listdir(client.underlays)), sorted(RAW_FILES), "forwarded raw files")
        self.assertEqual(server.stray_files(STATION_FILES), [], "nothing left in the server's folder")
        self.assertIn("RedrawMap", server.uiview_calls())

        # The client picks up the drop at its first pass.
        client.write("TargetDirList.txt", "C:\\Program Files\\PMapServer7\\PMap Underlays\\\r\n")
        client.make_list()
        client.start()
        done = client.wait_until(
            lambda: all_ok(client) and not any(os.path.exists(os.path.join(client.underlays, n)) for n in RAW_FILES),
            PASS_SECONDS)
        self.assertTrue(client.uiview_quits(), "the client station did not end with UI-View32")
        self.assertTrue(done, "client statuses %s, underlays %s; log:\n%s" %
                        (client.statuses(), sorted(os.listdir(client.underlays)), client.log_text()))
        expected = sorted(base + ext for base in UNDERLAYS for ext in (".bmp", ".Sat"))
        self.assertEqual(sorted(os.listdir(client.underlays)), expected)
        self.assertEqual(client.stray_files(STATION_FILES), [], "nothing left in the client's folder")
        self.assertIn("RedrawMap", client.uiview_calls())


if __name__ == "__main__":
    BUILD, SOURCE = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
