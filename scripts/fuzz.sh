#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan), one for every reader of
# outside input, and runs each for FUZZ_SECONDS (default 600). Findings land
# in OUT/crashes-<target>/; turn each into a regression test under tests/.
#   bash scripts/fuzz.sh build/fuzz            build and run every target
#   FUZZ_TARGETS=png_fuzzer bash scripts/fuzz.sh build/fuzz
#   FUZZ_SECONDS=0 bash scripts/fuzz.sh build/fuzz   build and run the seeds only
#   FUZZ_JOBS=3 bash scripts/fuzz.sh build/fuzz      run three targets at a time
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(mkdir -p "${1:-$root/build/fuzz}" && cd "${1:-$root/build/fuzz}" && pwd)"
seconds="${FUZZ_SECONDS:-600}"
all_targets=$(cd "$root/fuzz" && ls *_fuzzer.cpp | sed 's/\.cpp$//' | tr '\n' ' ')
targets="${FUZZ_TARGETS:-$all_targets}"
CXX="${CXX_FUZZ:-clang++}"
flags=(-std=c++20 -O1 -DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined
       -I"$root/src" -I"$root/fuzz" $(pkg-config --cflags-only-I freetype2 | tr " " "\n" | grep -v png | tr "\n" " "))

# The readers and what they lean on, in an archive so that the linker takes
# only the objects the targets reach; objects are rebuilt when a source is
# newer. The socket calls are left out: the HTTP target brings its own.
sources=("$root"/src/imaging/*.cpp "$root"/src/imaging/posix/*.cpp "$root"/src/util/*.cpp
         "$root"/src/util/posix/*.cpp "$root"/src/records/*.cpp "$root"/src/acquire/Freshness.cpp
         "$root"/src/host/TargetList.cpp "$root"/src/app/ErrorLog.cpp "$root"/src/app/MemoryStatus.cpp "$root"/src/app/posix/*.cpp
         "$root"/src/net/HttpClient.cpp "$root"/src/net/AsyncSocket.cpp "$root"/src/net/Stream.cpp
         "$root"/src/net/SecureSocket.cpp "$root"/src/net/posix/TlsSessionOpenSsl.cpp)
objs=()
mkdir -p "$out/obj"
for src in "${sources[@]}"; do
  obj="$out/obj/$(echo "${src#$root/}" | tr '/' '_').o"
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || [ -n "$(find "$root/src" -name '*.h' -newer "$obj" -print -quit)" ]; then
    "$CXX" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$src" -o "$obj"
  fi
  objs+=("$obj")
done

rm -f "$out/libcore.a"
ar rcs "$out/libcore.a" "${objs[@]}"
for t in $targets; do
  "$CXX" "${flags[@]}" -fsanitize=fuzzer "$root/fuzz/$t.cpp" "$out/libcore.a" -o "$out/$t" \
    $(pkg-config --libs freetype2) -lssl -lcrypto -lz -lpthread
done

run_target() {
  local t="$1" corpus="$out/corpus-$1" crashes="$out/crashes-$1" seeds
  mkdir -p "$corpus" "$crashes"
  case "$t" in
    gif_fuzzer) seeds="$root/fuzz/seeds/gif" ;;
    png_fuzzer) seeds="$root/tests/data/pngsuite" ;;
    *) seeds="$root/fuzz/seeds/${t%_fuzzer}" ;;
  esac
  if [ "$seconds" = 0 ]; then
    echo "== $t: seeds"
    "$out/$t" -runs=0 "$seeds" 2>&1 | tail -n 3 || true
    return
  fi
  "$out/$t" "$corpus" "$seeds" -max_total_time="$seconds" -max_len=200000 -rss_limit_mb=2048 \
    -timeout=10 -artifact_prefix="$crashes/" -print_final_stats=1 >"$out/$t.log" 2>&1 || true
  echo "== $t for ${seconds}s"
  tail -n 25 "$out/$t.log"
  echo "== $t: $(find "$crashes" -type f | wc -l) finding(s) in $crashes"
}

# FUZZ_JOBS targets at a time; each one's report is printed when it ends.
jobs="${FUZZ_JOBS:-1}"
for t in $targets; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_target "$t" &
done
wait
