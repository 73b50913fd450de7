#!/usr/bin/env bash
# Runs a command with the radar feed serving on 127.0.0.1, then stops it.
#   with-feed.sh [feed options] -- COMMAND [ARGS...]
# The command sees OMBRIX_FEED_URL (http://127.0.0.1:PORT) and the [URL]
# settings that point a station at the feed: OMBRIX_FEED_RIDGE,
# OMBRIX_FEED_RIDGENAT, OMBRIX_FEED_TAMU and OMBRIX_FEED_IOWASTATE1. Wine
# passes them on to Windows programs. Exits with the command's status.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
[ $# -ge 2 ] || { echo "usage: $0 [feed options] -- COMMAND [ARGS...]" >&2; exit 2; }
shift
work="$(mktemp -d)"
feed_pid=""
stop() {
  if [ -n "$feed_pid" ]; then kill "$feed_pid" 2>/dev/null || true; wait "$feed_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap stop EXIT
python3 "$here/radar_feed.py" --quiet --lifetime 3600 "${options[@]}" --port-file "$work/port" >"$work/out" &
feed_pid=$!
for _ in $(seq 300); do
  [ -s "$work/port" ] && break
  kill -0 "$feed_pid" 2>/dev/null || { echo "with-feed: the feed did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$work/port" ] || { echo "with-feed: the feed did not start" >&2; exit 1; }
export OMBRIX_FEED_URL="http://127.0.0.1:$(cat "$work/port")"
while IFS='=' read -r key value; do
  [ -n "$value" ] && export "OMBRIX_FEED_$(echo "$key" | tr '[:lower:]' '[:upper:]')=$value"
done < <(tail -n +2 "$work/out")
status=0
"$@" || status=$?
exit $status
