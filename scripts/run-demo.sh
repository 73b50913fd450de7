#!/usr/bin/env bash
# Starts Ombrix.exe under Wine in the build's own prefix, beside its files.
set -euo pipefail
scripts="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$scripts/.." && pwd)"
windows="$(cd "$1" && pwd)"
demo="$windows/demo"
mkdir -p "$demo"
cp "$windows/Ombrix.exe" "$demo/"
cd "$demo"
exec bash "$scripts/with-display.sh" "$root/cmake/wine-run.sh" ./Ombrix.exe
