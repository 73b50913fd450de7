#!/usr/bin/env bash
# Runs every benchmark under bench/ (each bench/*.sh gets the native build
# folder) and prints their figures; timing lives here, never in tests.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
native="${1:-$root/build/native}"
status=0
for b in "$root"/bench/*.sh; do
  [ -e "$b" ] || continue
  echo "== $(basename "$b")"
  bash "$b" "$native" || status=1
done
exit $status
