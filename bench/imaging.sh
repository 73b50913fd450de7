#!/usr/bin/env bash
# Imaging benchmark: the whole composite conversion (ConvertPngUnderlay
# through `ombrix-tool convert`: a 6000 x 2600 palette PNG with
# transparency drawn onto the white halftone 8-bit bitmap, black made white,
# the caption band, the BMP and bounds file written) against ImageMagick
# doing the same remap on the same file and against the floor (inflating
# the same IDAT data and writing as many bytes), with peak memory; the
# decode alone for reference; then the RIDGE GIF conversion's CPU time.
# Usage: bench/imaging.sh NATIVE_BUILD_DIR
set -euo pipefail
build="$(cd "${1:-build/native}" && pwd)"
tool="$build/ombrix-tool"; helper="$build/imaging-bench"
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
W=6000; H=2600; runs="${BENCH_RUNS:-10}"

"$helper" make-png "$work/composite.png" $W $H
"$helper" halftone-png "$work/halftone.png"
# The Iowa State record's inputs, converted into the local underlay folder.
mkdir -p "$work/src" "$work/local"
cp "$work/composite.png" "$work/src/n0r_0.png"
printf '0.01\n0\n0\n-0.01\n-126\n50\n' > "$work/src/n0r_0.wld"

# N runs: prints "wall cpu maxrss_kb": the least wall time, the mean cpu
# time (user + sys; the mean beats the 10 ms steps of the figures), and the
# largest peak memory.
measure() {
  local n="$1"; shift
  local log="$work/time.log"
  : > "$log"
  for _ in $(seq "$n"); do
    rm -f "$work"/out*.bmp
    /usr/bin/time -a -o "$log" -f "%e %U %S %M" "$@" >/dev/null 2>&1 || true
  done
  awk 'NF == 4 { c += $2 + $3; k++
         if (w == "" || $1 < w) w = $1
         if ($4 > m) m = $4 }
       END { printf "%.3f %.4f %d\n", w, c / k, m }' "$log"
}

read -r ours_wall ours_cpu ours_rss < <(measure "$runs" "$tool" convert "$work/src" "!!ConUS,Iowa State University" ", " \
  --target "$work/local/" --local "$work/local/")
[ -s "$work/local/ConUs.bmp" ] || { echo "the conversion wrote no underlay"; exit 1; }
read -r dec_wall dec_cpu dec_rss < <(measure "$runs" "$tool" decode "$work/composite.png" "$work/out-ours.bmp")
read -r floor_wall floor_cpu floor_rss < <(measure "$runs" "$helper" floor "$work/composite.png" "$work/out-floor.bmp")
read -r idle_wall idle_cpu idle_rss < <(measure "$runs" "$tool" fields a 1 ,)
# The distribution's ImageMagick itself, not a wrapper earlier in PATH.
im=/usr/bin/convert
[ -x "$im" ] || im="$(command -v convert || true)"
if [ -n "$im" ]; then
  # ImageMagick takes seconds: two runs are enough.
  read -r im_wall im_cpu im_rss < <(measure 2 "$im" "$work/composite.png" -background white -alpha remove \
    -alpha off -dither None -remap "$work/halftone.png" "BMP3:$work/out-im.bmp")
else
  im_wall=""; echo "ImageMagick's convert is missing: no ImageMagick figure"
fi
gif_ms=$("$helper" gif-cpu "$work" 200)

pixels=$((W * H))
awk -v ow="$ours_wall" -v oc="$ours_cpu" -v orss="$ours_rss" -v fw="$floor_wall" -v fc="$floor_cpu" \
    -v dw="$dec_wall" -v dc="$dec_cpu" -v drss="$dec_rss" \
    -v iw="$im_wall" -v ic="${im_cpu:-0}" -v idle="$idle_rss" -v px="$pixels" -v gif="$gif_ms" 'BEGIN {
  printf "imaging: ConvertPngUnderlay of a %dx%d composite palette PNG -> captioned halftone 8-bit BMP\n", 6000, 2600
  printf "  ours         wall %.3f s  cpu %.4f s  peak %d KB  (the whole conversion)\n", ow, oc, orss
  printf "  decode only  wall %.3f s  cpu %.4f s  peak %d KB\n", dw, dc, drss
  printf "  floor        wall %.3f s  cpu %.4f s  (inflate IDAT + write same bytes)\n", fw, fc
  if (iw != "") printf "  ImageMagick  wall %.3f s  cpu %.3f s\n", iw, ic
  if (iw != "") printf "  ratio ImageMagick / ours: wall %.1fx  cpu %.1fx   (target >= 5x)\n", iw / ow, ic / oc
  printf "  ratio ours / floor:       wall %.2fx  cpu %.2fx  (target <= 2x)\n", ow / fw, oc / (fc > 0 ? fc : 0.001)
  printf "  peak memory beyond idle:  %.2f x width x height  (%d KB; target <= 1.25)\n", (orss - idle) * 1024 / px, orss - idle
  printf "imaging: RIDGE GIF 600x550 conversion imaging work: %.2f ms CPU  (target < 5 ms)\n", gif
}'
