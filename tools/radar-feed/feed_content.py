"""What the feed publishes, by URL path, at a given moment: the RIDGE
per-site images, world files, archive listings and legends, the RIDGE
national image and its listing, and the two mesonet composites with their
world files and directory listings."""

import calendar
import re
import threading
import time

import storms
from gif_writer import encode_gif
from listings import index_page
from png_writer import encode_png

RIDGE = "/ridge/RadarImg/"
RIDGE_LEGEND = "/ridge/Legend/"
RIDGE_NAT = "/ridge/Conus/RadarImg/"
IOWA = "/data/gis/images/unproj/USCOMP/"
TAMU = "/gemdata/images/radar/"

# Site code -> (longitude, latitude) of the radar.
SITES = {
    "LOT": (-88.0847, 41.6044), "ILX": (-89.3367, 40.1506), "DVN": (-90.5808, 41.6117),
    "MKX": (-88.5506, 42.9678), "DMX": (-93.7229, 41.7311), "EAX": (-94.2644, 38.8103),
    "LSX": (-90.6828, 38.6989), "IND": (-86.2803, 39.7075), "FWS": (-97.3031, 32.5731),
    "OKX": (-72.8639, 40.8656),
}

SITE_SIZE = (600, 550)
SITE_CELL = (0.011785, -0.00997)
NATIONAL_CELL = 0.017
NATIONAL_ORIGIN = (-127.62, 50.4)
COMPOSITE_CELL = 0.01
IOWA_ORIGIN = (-126.0, 50.0)
TAMU_ORIGIN = (-125.5, 49.5)
ARCHIVE_FRAMES = 12

PALETTE = [(0, 0, 0)] + storms.LEVEL_COLOURS + [(255, 255, 255), (128, 128, 128)]
PALETTE += [(0, 0, 0)] * (256 - len(PALETTE))
WHITE, GREY = 1 + storms.LEVELS, 2 + storms.LEVELS


class Geometry:
    """A north-up image grid: size, pixel size and the outer top-left corner."""

    def __init__(self, width, height, cell_x, cell_y, left, top):
        self.width, self.height = width, height
        self.cell_x, self.cell_y, self.left, self.top = cell_x, cell_y, left, top

    def world_file(self) -> bytes:
        # A world file names the centre of the top-left pixel.
        values = [self.cell_x, 0.0, 0.0, self.cell_y,
                  self.left + self.cell_x / 2, self.top + self.cell_y / 2]
        return "".join("%.6f\r\n" % v for v in values).encode("ascii")


def site_geometry(code):
    lon, lat = SITES[code]
    w, h = SITE_SIZE
    cx, cy = SITE_CELL
    return Geometry(w, h, cx, cy, lon - w / 2 * cx, lat - h / 2 * cy)


class Resource:
    __slots__ = ("kind", "body", "content_type")

    def __init__(self, kind, body, content_type):
        self.kind, self.body, self.content_type = kind, body, content_type


class FeedContent:
    def __init__(self, sites, frame_seconds, national_size, listing_zone, seed=2026, clock=time.time,
                 composite_size=(6000, 2600)):
        self.sites = [s for s in sites if s in SITES]
        self.frame_seconds = frame_seconds
        self.listing_zone = listing_zone
        self.clock = clock
        self.cells = storms.make_cells(seed, [SITES[s] for s in self.sites])
        nw, nh = national_size
        # The national image always covers the same area; a smaller one has larger pixels.
        cell = NATIONAL_CELL * 3400 / nw
        self.national = Geometry(nw, nh, cell, -cell, *NATIONAL_ORIGIN)
        # The composites likewise: a smaller one covers the same area.
        cw, ch = composite_size
        cell = COMPOSITE_CELL * 6000 / cw
        self.iowa = Geometry(cw, ch, cell, -cell, *IOWA_ORIGIN)
        self.tamu = Geometry(cw, ch, cell, -cell, *TAMU_ORIGIN)
        self._cache = {}
        self._locks = {}
        self._guard = threading.Lock()

    # Frame times ---------------------------------------------------------

    def frame_time(self, now=None) -> int:
        now = self.clock() if now is None else now
        return int(now // self.frame_seconds) * self.frame_seconds

    def archive_times(self):
        newest = self.frame_time()
        return [newest - i * self.frame_seconds for i in range(ARCHIVE_FRAMES - 1, -1, -1)]

    @staticmethod
    def stamp(epoch) -> str:
        return time.strftime("%Y%m%d_%H%M", time.gmtime(epoch))

    # Images, made once per frame and kept for a while ----------------------

    def _cached(self, key, make):
        with self._guard:
            if key in self._cache:
                return self._cache[key]
            lock = self._locks.setdefault(key, threading.Lock())
        with lock:
            with self._guard:
                if key in self._cache:
                    return self._cache[key]
            value = make()
            with self._guard:
                self._cache[key] = value
                self._locks.pop(key, None)
                if len(self._cache) > 64:
                    # Forget the oldest frames first.
                    for old in sorted(self._cache, key=lambda k: k[-1])[:16]:
                        del self._cache[old]
            return value

    def _rows(self, g: Geometry, epoch):
        return storms.draw_rows(g.width, g.height, g.left, g.top, g.cell_x, g.cell_y,
                                list(storms.positions(self.cells, epoch)))

    def _site_gif(self, code, epoch):
        g = site_geometry(code)
        rows = self._rows(g, epoch)
        # The radar's own spot, so an empty sky still shows where the site is.
        x = int(g.width / 2)
        for y in range(g.height // 2 - 2, g.height // 2 + 3):
            row = bytearray(rows[y])
            row[x - 2:x + 3] = bytes([GREY]) * 5
            rows[y] = bytes(row)
        return encode_gif(g.width, g.height, rows, PALETTE, transparent=0)

    def site_image(self, code, epoch):
        return self._cached(("site", code, epoch), lambda: self._site_gif(code, epoch))

    def national_image(self, epoch, small=False):
        def make():
            g = self.national
            if small:
                g = Geometry(g.width // 4, g.height // 4, g.cell_x * 4, g.cell_y * 4, g.left, g.top)
            return encode_gif(g.width, g.height, self._rows(g, epoch), PALETTE, transparent=0)
        return self._cached(("national", small, epoch), make)

    def composite_image(self, which, epoch):
        g = self.iowa if which == "iowa" else self.tamu
        alpha = [0] + [255] * (len(PALETTE) - 1)
        return self._cached((which, epoch),
                            lambda: encode_png(g.width, g.height, self._rows(g, epoch), PALETTE, alpha))

    def legend(self, code, product):
        def make():
            w, h = SITE_SIZE
            blank = bytes([WHITE]) * w
            rows = []
            for y in range(h):
                if y < 200:
                    rows.append(blank)
                    continue
                # The colour scale in the strip a conversion pastes (right 45 px, from row 200).
                level = min((y - 200) * storms.LEVELS // (h - 200), storms.LEVELS - 1)
                row = bytearray(blank)
                row[w - 40:w - 5] = bytes([1 + level]) * 35
                rows.append(bytes(row))
            return encode_gif(w, h, rows, PALETTE)
        return self._cached(("legend", code, product, 0), make)

    def warm(self):
        """Makes the current frame of every published image, so the next
        fetches are answered at once."""
        now = self.frame_time()
        for code in self.sites:
            self.site_image(code, now)
        self.national_image(now)
        self.composite_image("iowa", now)
        self.composite_image("tamu", now)

    # Listings ------------------------------------------------------------

    def site_listing(self, path, code, product):
        entries = []
        for t in self.archive_times():
            name = "%s_%s_%s.gif" % (code, self.stamp(t), product)
            entries.append((name, t + 60, 7000 + (t // 60) % 3000))
        return index_page(path, entries, self.listing_zone)

    def national_listing(self, path):
        entries = []
        for t in self.archive_times():
            stamp = self.stamp(t)
            entries.append(("Nat_%s.gif" % stamp, t + 60, 150000))
            entries.append(("Nat_%s_small.gif" % stamp, t + 60, 20000))
        newest = self.frame_time()
        entries.append(("latest_radaronly.gfw", newest + 60, 80))
        entries.append(("latest_radaronly.gif", newest + 60, 150000))
        return index_page(path, entries, self.listing_zone)

    def composite_listing(self, path, image, world):
        t = self.frame_time()
        others = [("n0q_0.png", t, 900000), (image, t, 1200000), (world, t - 86400, 60),
                  ("n0r_1.png", t - self.frame_seconds, 1190000)]
        return index_page(path, others, self.listing_zone)

    # URL paths -----------------------------------------------------------

    def resolve(self, path):
        """The resource at a URL path now, or None (404)."""
        now = self.frame_time()
        m = re.fullmatch(re.escape(RIDGE) + r"([A-Z0-9]{3})/([A-Z]{3})_\1_0\.(gif|gfw)", path)
        if m and m.group(2) in self.sites:
            product, code, ext = m.groups()
            if ext == "gfw":
                return Resource("world", site_geometry(code).world_file(), "text/plain")
            return Resource("image", self.site_image(code, now), "image/gif")
        m = re.fullmatch(re.escape(RIDGE) + r"([A-Z0-9]{3})/([A-Z]{3})/", path)
        if m and m.group(2) in self.sites:
            return Resource("listing", self.site_listing(path, m.group(2), m.group(1)), "text/html")
        m = re.fullmatch(re.escape(RIDGE) + r"([A-Z0-9]{3})/([A-Z]{3})/\2_(\d{8}_\d{4})_\1\.gif", path)
        if m and m.group(2) in self.sites:
            t = self._archive_time(m.group(3))
            return Resource("image", self.site_image(m.group(2), t), "image/gif") if t else None
        m = re.fullmatch(re.escape(RIDGE_LEGEND) + r"([A-Z0-9]{3})/([A-Z]{3})_\1_Legend_0\.gif", path)
        if m and m.group(2) in self.sites:
            return Resource("image", self.legend(m.group(2), m.group(1)), "image/gif")
        if path == RIDGE_NAT:
            return Resource("listing", self.national_listing(path), "text/html")
        if path == RIDGE_NAT + "latest_radaronly.gif":
            return Resource("image", self.national_image(now), "image/gif")
        if path == RIDGE_NAT + "latest_radaronly.gfw":
            return Resource("world", self.national.world_file(), "text/plain")
        m = re.fullmatch(re.escape(RIDGE_NAT) + r"Nat_(\d{8}_\d{4})(_small)?\.gif", path)
        if m:
            t = self._archive_time(m.group(1))
            return Resource("image", self.national_image(t, bool(m.group(2))), "image/gif") if t else None
        for base, which, image, world in ((IOWA, "iowa", "n0r_0.png", "n0r_0.wld"),
                                          (TAMU, "tamu", "01_USrad.png", "USrad.wld")):
            g = self.iowa if which == "iowa" else self.tamu
            if path == base:
                return Resource("listing", self.composite_listing(path, image, world), "text/html")
            if path == base + image:
                return Resource("image", self.composite_image(which, now), "image/png")
            if path == base + world:
                return Resource("world", g.world_file(), "text/plain")
        return None

    def _archive_time(self, stamp):
        epoch = calendar.timegm(time.strptime(stamp, "%Y%m%d_%H%M"))
        return epoch if epoch in self.archive_times() else None
