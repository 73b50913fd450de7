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
import sys
import unittest

sys.dont_write_bytecode = True  # no cache beside the sources
from e2e_stations import FOUR_SOURCES, Feed, Station

BUILD = SOURCE = None
RECORDS = FOUR_SOURCES
UNDERLAYS = ["LOT_N0R_0", "Nat", "ConUs", "USRad"]
RAW_FILES = ["LOT_N0R_0.gif", "LOT_N0R_0.gfw", "LOT_N0R_Legend_0.gif", "latest_radaronly.gif",
             "latest_radaronly.gfw", "n0r_0.png", "n0r_0.wld", "01_USrad.png", "01_USrad.wld"]
PASS_SECONDS = 150  # generous: the composites are 6000 x 2600 under Wine on a loaded machine


class WholeJob(unittest.TestCase):
    def setUp(self):
        self.server = Station(BUILD, SOURCE, "server", "[User]\r\nLegend=1\r\nLogErrors=1\r\n")
        self.client = Station(BUILD, SOURCE, "client", "[User]\r\nMode=1\r\nLegend=1\r\nLogErrors=1\r\n")
        self.feed = Feed(BUILD, SOURCE, os.path.join(BUILD, "e2e"), os.path.join(self.server.folder, "Ombrix2.ini"),
                         "--frame-seconds", "120", "--warm", "--lifetime", "900")

    def tearDown(self):
        self.feed.stop()
        for station in (self.server, self.client):
            station.end()

    def test_server_downloads_converts_forwards_and_client_converts_the_drop(self):
        server, client = self.server, self.client
        lan = "Z:" + client.underlays.replace("/", "\\") + "\\"
        server.write("TargetDirList.txt", "C:\\Program Files\\PMapServer7\\PMap Underlays\\\r\n" + lan + "\r\n")
        server.make_list(RECORDS)
        server.start()
        finished = server.wait_until(lambda: server.all_ok(len(RECORDS)), PASS_SECONDS)
        self.assertTrue(server.uiview_quits(), "the server station did not end with UI-View32")
        self.assertTrue(finished, "server statuses %s; log:\n%s" % (server.statuses(), server.log_text()))

        for base in UNDERLAYS:
            for ext in (".bmp", ".Sat"):
                self.assertTrue(os.path.exists(os.path.join(server.underlays, base + ext)), base + ext)
        with open(os.path.join(server.underlays, "LOT_N0R_0.bmp"), "rb") as f:
            head = f.read(2)
        self.assertEqual(head, b"BM")
        self.assertEqual(sorted(os.listdir(client.underlays)), sorted(RAW_FILES), "forwarded raw files")
        self.assertEqual(server.stray_files(), [], "nothing left in the server's folder")
        self.assertIn("RedrawMap", server.uiview_calls())

        # The client picks up the drop at its first pass.
        client.write("TargetDirList.txt", "C:\\Program Files\\PMapServer7\\PMap Underlays\\\r\n")
        client.make_list(RECORDS)
        client.start()
        done = client.wait_until(
            lambda: client.all_ok(len(RECORDS)) and
            not any(os.path.exists(os.path.join(client.underlays, n)) for n in RAW_FILES),
            PASS_SECONDS)
        self.assertTrue(client.uiview_quits(), "the client station did not end with UI-View32")
        self.assertTrue(done, "client statuses %s, underlays %s; log:\n%s" %
                        (client.statuses(), sorted(os.listdir(client.underlays)), client.log_text()))
        expected = sorted(base + ext for base in UNDERLAYS for ext in (".bmp", ".Sat"))
        self.assertEqual(sorted(os.listdir(client.underlays)), expected)
        self.assertEqual(client.stray_files(), [], "nothing left in the client's folder")
        self.assertIn("RedrawMap", client.uiview_calls())


if __name__ == "__main__":
    BUILD, SOURCE = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
