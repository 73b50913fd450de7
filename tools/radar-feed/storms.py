"""Moving storm cells, drawn onto any north-up lat/lon grid.

Every image the feed serves draws the same cells at the same moment, so a
site image, the national image and the composites agree with each other."""

import math
import random

# Reflectivity colours, weakest first (index 0 of every palette is "no echo").
LEVEL_COLOURS = [
    (4, 233, 231), (1, 159, 244), (3, 0, 244), (2, 253, 2), (1, 197, 1),
    (0, 142, 0), (253, 248, 2), (229, 188, 0), (253, 149, 0), (253, 0, 0),
    (212, 0, 0), (188, 0, 0), (248, 0, 253), (152, 84, 198),
]
LEVELS = len(LEVEL_COLOURS)


# Cells wrap around inside this box (roughly the lower 48 states)...
WEST, EAST, SOUTH, NORTH = -125.0, -67.0, 25.0, 49.0
# ...or, for the cells of a site, inside this far around it, so a site image
# always has weather passing through.
SITE_REACH = 2.5


class Cell:
    __slots__ = ("lon", "lat", "radius", "peak", "speed_lon", "speed_lat", "box")

    def __init__(self, lon, lat, radius, peak, speed_lon, speed_lat, box=(WEST, EAST, SOUTH, NORTH)):
        self.lon, self.lat, self.radius, self.peak = lon, lat, radius, peak
        self.speed_lon, self.speed_lat = speed_lon, speed_lat  # degrees per hour
        self.box = box


def make_cells(seed: int, near_sites) -> list:
    """A few cells over every named site, and some across the country."""
    rng = random.Random(seed)
    cells = []
    for lon, lat in near_sites:
        box = (lon - SITE_REACH, lon + SITE_REACH, lat - SITE_REACH / 2, lat + SITE_REACH / 2)
        for _ in range(3):
            cells.append(Cell(lon + rng.uniform(-2.0, 1.0), lat + rng.uniform(-1.0, 1.0),
                              rng.uniform(0.25, 0.7), rng.randint(LEVELS // 2, LEVELS),
                              rng.uniform(0.6, 1.2), rng.uniform(-0.15, 0.15), box))
    for _ in range(14):
        cells.append(Cell(rng.uniform(WEST, EAST), rng.uniform(SOUTH, NORTH), rng.uniform(0.4, 1.6),
                          rng.randint(3, LEVELS), rng.uniform(0.2, 0.9), rng.uniform(-0.2, 0.2)))
    return cells


def positions(cells, epoch_seconds: float):
    """(lon, lat, radius, peak) of every cell at that moment, wrapped in the box."""
    hours = epoch_seconds / 3600.0
    for c in cells:
        west, east, south, north = c.box
        lon = west + (c.lon - west + c.speed_lon * hours) % (east - west)
        lat = south + (c.lat - south + c.speed_lat * hours) % (north - south)
        # Cells breathe a little so consecutive frames differ in shape too.
        radius = c.radius * (0.85 + 0.15 * math.sin(hours * 2.0 + c.lon))
        yield lon, lat, radius, c.peak


def draw_rows(width, height, left, top, cell_x, cell_y, cells_now, first_index=1):
    """Rows of palette indices: 0 outside the cells, first_index + level - 1
    inside, in rings from weak at the rim to the cell's peak at its centre.
    left/top are the outer corner of the top-left pixel; cell_y < 0."""
    blank = bytes(width)
    spans_by_row = {}
    lon_scale = 1.0 / cell_x
    for lon, lat, radius, peak in cells_now:
        row_top = int((lat + radius - top) / cell_y) - 1
        row_bottom = int((lat - radius - top) / cell_y) + 1
        if row_bottom < 0 or row_top >= height:
            continue
        for y in range(max(row_top, 0), min(row_bottom, height - 1) + 1):
            dy = (top + (y + 0.5) * cell_y) - lat
            if abs(dy) >= radius:
                continue
            for level in range(1, peak + 1):
                r = radius * (1.0 - (level - 1) / peak)
                if abs(dy) >= r:
                    break
                # Longitude degrees are shorter than latitude ones up north.
                half = math.sqrt(r * r - dy * dy) / max(math.cos(math.radians(lat)), 0.3)
                x0 = int((lon - half - left) * lon_scale)
                x1 = int((lon + half - left) * lon_scale) + 1
                x0, x1 = max(x0, 0), min(x1, width)
                if x0 < x1:
                    spans_by_row.setdefault(y, []).append((x0, x1, first_index + level - 1))
    rows = []
    for y in range(height):
        spans = spans_by_row.get(y)
        if not spans:
            rows.append(blank)
            continue
        row = bytearray(blank)
        # Weaker rings first, so the stronger cores stay on top.
        for x0, x1, index in sorted(spans, key=lambda s: s[2]):
            row[x0:x1] = bytes([index]) * (x1 - x0)
        rows.append(bytes(row))
    return rows
