#!/usr/bin/env bash
# Readers of outside text (world files, listings, list files, profile files)
# on hostile inputs of n and 4 n bytes: the ratio of the two times stays near
# 4 for a reader linear in its input (16 would be quadratic).
# Usage: bench/text_readers.sh NATIVE_BUILD_DIR [BYTES]
set -euo pipefail
build="$(cd "${1:-build/native}" && pwd)"
"$build/text-readers-bench" "${2:-4194304}"
