"""The [URL] values of Ombrix2.ini that point a station at the feed."""

import os

import feed_content


def url_settings(base):
    return [
        ("RIDGE", base + feed_content.RIDGE),
        ("RIDGENAT", base + feed_content.RIDGE_NAT),
        ("TAMU", base + feed_content.TAMU),
        ("IOWAState1", base + feed_content.IOWA),
    ]


def write_url_section(path, base):
    """Sets those four keys in the file's [URL] section, keeping every other
    line as it is; the file is replaced in one step."""
    lines = []
    if os.path.exists(path):
        with open(path, "r", newline="", encoding="latin-1") as f:
            lines = f.read().splitlines()
    values = dict(url_settings(base))
    wanted = {k.lower(): k for k in values}
    out, section, written = [], None, set()

    def flush_missing():
        for key in values:
            if key.lower() not in written:
                out.append("%s=%s" % (key, values[key]))
                written.add(key.lower())

    for line in lines:
        stripped = line.strip()
        if stripped.startswith("[") and stripped.endswith("]"):
            if section == "url":
                flush_missing()
            section = stripped[1:-1].strip().lower()
            out.append(line)
            continue
        key = stripped.split("=", 1)[0].strip().lower() if "=" in stripped else None
        if section == "url" and key in wanted:
            out.append("%s=%s" % (wanted[key], values[wanted[key]]))
            written.add(key)
            continue
        out.append(line)
    if section == "url":
        flush_missing()
    elif len(written) < len(values):
        out.append("[URL]")
        flush_missing()
    tmp = path + ".tmp"
    with open(tmp, "w", newline="", encoding="latin-1") as f:
        f.write("\r\n".join(out) + "\r\n")
    os.replace(tmp, path)
