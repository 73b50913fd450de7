#!/usr/bin/env bash
# Runs every test: the native suite, then the Windows suite under Wine.
set -uo pipefail
native="$1"; windows="$2"
jobs="$(nproc)"
status=0
echo "== native tests"
ctest --test-dir "$native" --output-on-failure -j "$jobs" || status=1
echo "== Windows tests under Wine"
bash "$(dirname "$0")/with-display.sh" ctest --test-dir "$windows" --output-on-failure || status=1
# Leave no Wine server behind for the next run.
WINEPREFIX="${OMBRIX_WINEPREFIX:-}" wineserver -k >/dev/null 2>&1 || true
exit $status
