"""Directory listings in the style of the web servers the program reads:
Apache index pages whose lines carry a link and, after it, the file time as
dd-Mon-yyyy hh:nn."""

import time

_MONTHS = "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec".split()


def listing_time(epoch: float, zone: str) -> str:
    """The time a listing prints: the server's clock, local or UTC."""
    t = time.localtime(epoch) if zone == "local" else time.gmtime(epoch)
    return "%02d-%s-%04d %02d:%02d" % (t.tm_mday, _MONTHS[t.tm_mon - 1], t.tm_year, t.tm_hour, t.tm_min)


def _size_text(size: int) -> str:
    if size >= 1 << 20:
        return "%.1fM" % (size / float(1 << 20))
    if size >= 1024:
        return "%.1fK" % (size / 1024.0)
    return str(size)


def index_page(path: str, entries, zone: str) -> bytes:
    """entries: (name, epoch, size) in the order to print them."""
    lines = [
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">",
        "<html>",
        " <head>",
        "  <title>Index of %s</title>" % path.rstrip("/"),
        " </head>",
        " <body>",
        "<h1>Index of %s</h1>" % path.rstrip("/"),
        "<pre><img src=\"/icons/blank.gif\" alt=\"Icon \"> <a href=\"?C=N;O=D\">Name</a>"
        "                    <a href=\"?C=M;O=A\">Last modified</a>      <a href=\"?C=S;O=A\">Size</a>",
        "<hr><img src=\"/icons/back.gif\" alt=\"[PARENTDIR]\"> <a href=\"%s\">Parent Directory</a>"
        "                             -   " % (path.rstrip("/").rsplit("/", 1)[0] + "/"),
    ]
    for name, epoch, size in entries:
        pad = " " * max(1, 28 - len(name))
        lines.append("<img src=\"/icons/image2.gif\" alt=\"[IMG]\"> <a href=\"%s\">%s</a>%s%s  %5s  "
                     % (name, name, pad, listing_time(epoch, zone), _size_text(size)))
    lines += ["<hr></pre>", "</body></html>", ""]
    return "\r\n".join(lines).encode("ascii")


def garbage_page() -> bytes:
    """What a broken proxy or a half-deployed server may send instead."""
    return (b"<html><body><h1>Service Temporarily Unavailable</h1>\r\n"
            b"<p>\x00\xff\xfe GIF\">>> .gif< <a href=\"\">.gif</a> 99-Xyz-20 25:61</p>\r\n"
            b"</body></html>\r\n")
