"""Stations and the radar feed for the end-to-end tests that run the real
Ombrix.exe under Wine: a station is a Wine prefix of its own with the
simulated UI-View32 and PMapServer 7 and a folder holding the program.

    Station(build, source, name, ini)   a prepared prefix and folder
    Feed(build, source, folder, ini, ...)   the radar feed on loopback
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import urllib.request

# One record of each kind of source: a RIDGE site (with its legend), the
# national image and both composites.
FOUR_SOURCES = [
    ("IL,Chicago,LOT", "Short Range Reflectivity, N0R"),
    ("!!Nat,National", ", "),
    ("!!ConUS,Iowa State University", ", "),
    ("!!USRad,Texas A&M Universtity", ", "),
]
STATION_FILES = {"Ombrix.exe", "ombrix-tool.exe", "Ombrix2.ini", "DownLoadList.txt", "TargetDirList.txt"}
# What the program writes under a temporary name before renaming it into place.
TEMP_SUFFIXES = (".tmp", ".part")
LOCAL_UNDERLAYS = "C:\\Program Files\\PMapServer7\\PMap Underlays\\"
PAST = "01/01/2000 00:00:00"


class Station:
    """One PC: a Wine prefix with the simulated hosts and a station folder."""

    def __init__(self, build, source, name, ini):
        self.build, self.source, self.name = build, source, name
        self.prefix = os.path.join(build, "wine", "e2e-" + name)
        self.folder = os.path.join(build, "e2e", name)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH="win32", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        subprocess.run(["bash", os.path.join(source, "tests/host/wine-host-fixture.sh"), build, self.prefix,
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
            shutil.copy(os.path.join(build, exe), self.folder)
        self.write("Ombrix2.ini", ini)
        self.process = None

    def write(self, name, text):
        with open(os.path.join(self.folder, name), "w", newline="") as f:
            f.write(text)

    def path(self, name):
        # Windows names ignore case: the program may spell a file its own way.
        for found in os.listdir(self.folder):
            if found.lower() == name.lower():
                return os.path.join(self.folder, found)
        return os.path.join(self.folder, name)

    def read(self, name):
        with open(self.path(name), newline="", errors="replace") as f:
            return f.read()

    def wine(self, *args, **kw):
        return subprocess.run(["wine", *args], cwd=self.folder, env=self.env, **kw)

    def make_list(self, records):
        args = [a for record in records for a in record]
        self.wine("ombrix-tool.exe", "new-list", "DownLoadList.txt", "--ini", "Ombrix2.ini", *args,
                  check=True, stdout=subprocess.DEVNULL)

    def records(self):
        """The download list's lines split into fields ([] when unreadable)."""
        try:
            lines = self.read("DownLoadList.txt").split("\r\n")
        except OSError:
            return []
        return [line.split("\t") for line in lines if line.count("\t") >= 3]

    def statuses(self):
        return [fields[3] for fields in self.records()]

    def all_ok(self, count):
        return self.statuses() == ["OK"] * count

    def make_due(self, accumulate=None):
        """Every record due now and its last image long ago, so the next pass
        fetches and converts each one (its status reads "Due" until then);
        optionally sets the Accum field."""
        lines = []
        for fields in self.records():
            if accumulate is not None:
                fields[5] = "TRUE" if accumulate else "FALSE"
            fields[3] = "Due"
            fields[8] = fields[9] = PAST
            lines.append("\t".join(fields))
        self.write("DownLoadList.txt", "".join(line + "\r\n" for line in lines))

    def start(self):
        self.process = subprocess.Popen(["wine", "Ombrix.exe"], cwd=self.folder, env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def pids(self):
        """Linux pids of this prefix's Ombrix.exe (the process Wine runs it in)."""
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    if b"Ombrix.exe" not in f.read():
                        continue
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if ("WINEPREFIX=" + self.prefix).encode() + b"\0" not in f.read():
                        continue
                found.append(int(pid))
            except OSError:
                pass
        return found

    def status_value(self, key):
        """A /proc status value (KiB) of the station's Ombrix.exe, summed; 0 when not running."""
        total = 0
        for pid in self.pids():
            try:
                with open("/proc/%d/status" % pid) as f:
                    for line in f:
                        if line.startswith(key + ":"):
                            total += int(line.split()[1])
            except OSError:
                pass
        return total

    def descriptors(self):
        total = 0
        for pid in self.pids():
            try:
                total += len(os.listdir("/proc/%d/fd" % pid))
            except OSError:
                pass
        return total

    def kill9(self):
        """SIGKILL, as a power cut or the task manager ends it; True when it was running."""
        pids = self.pids()
        for pid in pids:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        if self.process:
            try:
                self.process.wait(30)
            except subprocess.TimeoutExpired:
                self.process.kill()
        for _ in range(100):
            if not self.pids():
                break
            time.sleep(0.1)
        return bool(pids)

    def probe(self, *args):
        """StationProbe.exe's answer as a dict of its key=value words."""
        out = self.wine(os.path.join(self.build, "tests", "StationProbe.exe"), *args, capture_output=True,
                        text=True, timeout=60).stdout
        return dict(word.split("=", 1) for word in out.split() if "=" in word)

    def wait_until(self, done, seconds, quiet=False):
        """Polls done() each second; prints how long it took and the peak memory."""
        start, peak = time.monotonic(), 0
        deadline = start + seconds
        while time.monotonic() < deadline:
            peak = max(peak, self.status_value("VmHWM"))
            if done():
                if not quiet:
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
            self.stop_wine()

    def leftovers(self, *folders):
        """What does not belong: strays in the program's folder, temporary files in the others."""
        return self.stray_files() + sorted(n for folder in folders for n in os.listdir(folder) if is_temporary(n))

    def end(self):
        """Whatever still runs of the station ends (a test's clean-up)."""
        if self.process and self.process.poll() is None:
            self.process.kill()
        self.stop_wine()

    def stop_wine(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)

    def uiview_calls(self):
        path = os.path.join(self.uiview, "UiView32Double.log")
        if not os.path.exists(path):
            return ""
        with open(path, errors="replace") as f:
            return f.read()

    def stray_files(self, allowed=STATION_FILES):
        allowed = {a.lower() for a in allowed}
        return sorted(n for n in os.listdir(self.folder)
                      if n.lower() not in allowed and not (n.startswith("R") and n.endswith("ErrorLog.txt")))

    def log_text(self):
        return "".join(self.read(n) for n in os.listdir(self.folder) if n.endswith("ErrorLog.txt"))


class Feed:
    """tools/radar-feed on 127.0.0.1, pointing the station's ini at itself."""

    def __init__(self, build, source, folder, ini, *options):
        os.makedirs(folder, exist_ok=True)
        port_file = os.path.join(folder, "feed.port")
        if os.path.exists(port_file):
            os.remove(port_file)
        with open(os.path.join(folder, "feed.log"), "w") as feed_log:
            self.process = subprocess.Popen(
                [sys.executable, os.path.join(source, "tools/radar-feed/radar_feed.py"), "--port-file", port_file,
                 "--ini", ini, "--quiet", *options], stdout=subprocess.DEVNULL, stderr=feed_log)
        for _ in range(300):
            if os.path.exists(port_file) and os.path.getsize(port_file):
                break
            time.sleep(0.1)
        with open(port_file) as f:
            self.base = "http://127.0.0.1:%d" % int(f.read())

    def control(self, mode, match="", count=-1):
        query = "mode=%s&match=%s&count=%d" % (mode, match, count)
        with urllib.request.urlopen(self.base + "/_control?" + query, timeout=10) as r:
            return r.read().decode()

    def requests(self):
        with urllib.request.urlopen(self.base + "/_requests", timeout=10) as r:
            return r.read().decode().splitlines()

    def stop(self):
        self.process.terminate()
        self.process.wait(30)


# Whole-file checks ---------------------------------------------------------

def bmp_problem(data):
    """Why the bytes are not one complete BMP, or None."""
    if len(data) < 54 or data[:2] != b"BM":
        return "no BMP header"
    declared = int.from_bytes(data[2:6], "little")
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = abs(int.from_bytes(data[22:26], "little", signed=True))
    bits = int.from_bytes(data[28:30], "little")
    row = ((width * bits + 31) // 32) * 4
    if declared != len(data):
        return "header says %d bytes, file has %d" % (declared, len(data))
    if offset + row * height != len(data):
        return "%dx%d at %d bits needs %d bytes, file has %d" % (width, height, bits, offset + row * height, len(data))
    return None


DATE = re.compile(r"\d\d/\d\d/\d{4} \d\d:\d\d:\d\d$")


def list_problem(text, count):
    """Why a download list is not whole (count records, each with every field), or None."""
    if not text.endswith("\r\n"):
        return "does not end with a line break"
    lines = text[:-2].split("\r\n")
    if len(lines) != count:
        return "%d records instead of %d" % (len(lines), count)
    for line in lines:
        fields = line.split("\t")
        if len(fields) != 10 or fields[5] not in ("TRUE", "FALSE") or fields[6] not in ("TRUE", "FALSE") or \
                not all(DATE.match(f) for f in fields[7:10]):
            return "broken record %r" % line
    return None


INI_KEYS = {
    "URL": ["IOWAState1", "ConUs", "ConUSWld", "TAMU", "USRad", "USRadWld", "RIDGE", "RIDGENAT", "ProxyHost",
            "ProxyPort"],
    "User": ["Version", "Redraw", "Minimize", "LogErrors", "UiViewShutDown", "HintPauseMS", "Accumulate", "Mode",
             "Target", "Radar", "Product", "PMapServerPath", "PMapUnderlayPath", "WebTimeOut", "Width", "Height",
             "top", "Left", "Remaining", "Legend", "Caption"],
}


def ini_values(text):
    """{section: {key: value}} of a settings file, names in lower case."""
    sections, current = {}, None
    for line in text.split("\r\n"):
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].lower(), {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key.lower()] = value
    return sections


def ini_problem(text, urls=None):
    """Why a settings file as the program saves it misses something (or
    holds other [URL] values than urls), or None."""
    sections = ini_values(text)
    for section, keys in INI_KEYS.items():
        missing = [k for k in keys if k.lower() not in sections.get(section.lower(), {})]
        if missing:
            return "[%s] lacks %s" % (section, ", ".join(missing))
    if urls is not None and sections["url"] != urls:
        return "[URL] reads %s instead of %s" % (sections["url"], urls)
    if not text.endswith("\r\n"):
        return "does not end with a line break"
    return None


def is_temporary(name):
    return name.lower().endswith(TEMP_SUFFIXES)
