#!/usr/bin/env bash
# Starts Ombrix.exe under Wine in a prefix of its own under the build tree,
# holding a simulated UI-View32 (showing a PMapServer 7 map) and PMapServer 7
# with its underlay folder and underlay, so the program finds its hosts.
set -euo pipefail
scripts="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$scripts/.." && pwd)"
windows="$(cd "$1" && pwd)"
prefix="$(dirname "$windows")/wine/demo-prefix"
bash "$root/tests/host/wine-host-fixture.sh" "$windows" "$prefix" --demo
demo="$windows/demo"
mkdir -p "$demo"
cp "$windows/Ombrix.exe" "$demo/"
cd "$demo"
export OMBRIX_WINEPREFIX="$prefix"
exec bash "$scripts/with-display.sh" "$root/cmake/wine-run.sh" ./Ombrix.exe
