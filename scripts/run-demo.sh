#!/usr/bin/env bash
# `make run`: the whole job on one screen. Starts the radar feed on loopback,
# prepares a Wine prefix of its own with the simulated UI-View32 (a map
# window showing PMapServer's underlay LOT_N0R_0.bmp) and PMapServer 7, then
# runs Ombrix.exe with settings and a download list that point at the feed:
# one RIDGE site with its legend, the national image and both composites.
# Closing Ombrix (or its map, or Ctrl+C) stops the feed and ends every
# process of the prefix.
#   run-demo.sh WINDOWS_BUILD [--check SECONDS]
# --check closes Ombrix after SECONDS and reports what the demo produced.
set -euo pipefail
scripts="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$scripts/.." && pwd)"
windows="$(cd "$1" && pwd)"
check="${3:-}"
[ "${2:-}" = "--check" ] || check=""

# Every Wine process of the demo shares one display.
if [ -z "${DISPLAY:-}" ]; then
  exec bash "$scripts/with-display.sh" bash "$0" "$@"
fi

prefix="$(dirname "$windows")/wine/demo-prefix"
demo="$windows/demo"
export WINEPREFIX="$prefix" WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
underlays="$prefix/drive_c/Program Files/PMapServer7/PMap Underlays"

feed_pid=""
cleanup() {
  trap - EXIT INT TERM
  if [ -n "$feed_pid" ]; then
    kill "$feed_pid" 2>/dev/null || true
    wait "$feed_pid" 2>/dev/null || true
  fi
  wineserver -k >/dev/null 2>&1 || true
  echo "demo: feed stopped, Wine prefix $prefix ended"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "demo: preparing $prefix"
bash "$root/tests/host/wine-host-fixture.sh" "$windows" "$prefix" --demo LOT_N0R_0.bmp
rm -f "$underlays"/*.Sat "$prefix/drive_c/Program Files/UI-View32/UiView32Double.log"
# A fresh station folder every run, so every record is due at once.
rm -rf "$demo"
mkdir -p "$demo"
cp "$windows/Ombrix.exe" "$windows/ombrix-tool.exe" "$demo/"
printf '[User]\r\nLegend=1\r\n' > "$demo/Ombrix2.ini"

python3 "$root/tools/radar-feed/radar_feed.py" --port-file "$demo/feed.port" --ini "$demo/Ombrix2.ini" \
  --frame-seconds 120 --warm --lifetime 86400 >/dev/null 2>"$demo/feed.log" &
feed_pid=$!
for _ in $(seq 300); do
  [ -s "$demo/feed.port" ] && break
  kill -0 "$feed_pid" 2>/dev/null || { cat "$demo/feed.log" >&2; echo "demo: the feed did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$demo/feed.port" ] || { echo "demo: the feed did not start" >&2; exit 1; }
echo "demo: radar feed on http://127.0.0.1:$(cat "$demo/feed.port")/ (requests in $demo/feed.log)"

cd "$demo"
wine ombrix-tool.exe new-list DownLoadList.txt --ini Ombrix2.ini \
  "IL,Chicago,LOT" "Short Range Reflectivity, N0R" \
  "!!Nat,National" ", " \
  "!!ConUS,Iowa State University" ", " \
  "!!USRad,Texas A&M Universtity" ", " >/dev/null

# UI-View32 first, as on a station: Ombrix attaches to the running one.
wine 'C:\Program Files\UI-View32\UiView32Sim.exe' &
sleep 2
echo "demo: starting Ombrix.exe in $demo"
if [ -n "$check" ]; then
  wine ./Ombrix.exe &
  ombrix=$!
  sleep "$check"
  echo "demo: after ${check}s the underlay folder holds:"
  ls -l "$underlays"
  echo "demo: UI-View32 was asked:"
  tr -d '\r' < "$prefix/drive_c/Program Files/UI-View32/UiView32Double.log" 2>/dev/null | sort | uniq -c || true
  echo "demo: the download list reads:"
  cut -f1,4 DownLoadList.txt | tr -d '\r'
  kill "$ombrix" 2>/dev/null || true
else
  # Waited for in the background: Wine ignores Ctrl+C, and bash runs the trap
  # above only once a foreground child has ended.
  wine ./Ombrix.exe &
  wait $! || true
fi
