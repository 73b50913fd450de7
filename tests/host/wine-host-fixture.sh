#!/usr/bin/env bash
# Prepares a throw-away Wine prefix with a simulated UI-View32 and PMapServer
# (see tests/support/win32/HostFixture.h), for `make run` and for tests that
# start Ombrix.exe. Never touches ~/.wine.
#
#   wine-host-fixture.sh WINDOWS_BUILD PREFIX --demo [UNDERLAY]
#       UI-View32 showing a PMapServer 7 map, its underlay folder and an
#       existing underlay UNDERLAY (default radar.bmp), with the simulated
#       UI-View32 (UiView32Sim.exe, a local COM server with a map window)
#       registered; its log: C:\Program Files\UI-View32\UiView32Double.log
#   wine-host-fixture.sh WINDOWS_BUILD PREFIX setup|clear [host-fixture options]
#       any other arrangement, piece by piece
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 WINDOWS_BUILD PREFIX --demo [UNDERLAY] | setup ARGS... | clear" >&2; exit 2; }
build="$(cd "$1" && pwd)"
prefix="$2"
shift 2
case "$prefix" in
  "$HOME/.wine"|"$HOME/.wine/") echo "refusing to touch $prefix" >&2; exit 2 ;;
esac
mkdir -p "$prefix"
export WINEPREFIX="$(cd "$prefix" && pwd)"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi

if [ "$1" = "--demo" ]; then
  underlay="${2:-radar.bmp}"
  uiview='C:\Program Files\UI-View32\'
  pmap='C:\Program Files\PMapServer7\'
  mkdir -p "$WINEPREFIX/drive_c/Program Files/UI-View32"
  cp "$build/tests/UiView32Sim.exe" "$WINEPREFIX/drive_c/Program Files/UI-View32/"
  set -- setup --uiview "$uiview" --last-map "${uiview}MAPS\\!!PMapServer7.map" \
    --sim "${uiview}UiView32Sim.exe" \
    --pmap PMapServer7 "$pmap" --underlay "${pmap}PMap Underlays\\$underlay" --underlay-file
fi
wine "$build/tests/host-fixture.exe" "$@"
wineserver -w || true
