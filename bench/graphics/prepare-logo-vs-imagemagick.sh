#!/usr/bin/env bash
# Whole-process time of making a printer-ready logo, on a 1200 x 800 1-bit BMP reduced to 576
# dots: the printer's converter (bench/graphics/ConvertLogo.cpp, the code "Download" runs) and
# `rollvane-cli prepare-logo`, each against ImageMagick doing the same scale and threshold.
#   bench/graphics/prepare-logo-vs-imagemagick.sh [RUNS]     (20 runs each by default)
# Needs ImageMagick (apt-get install imagemagick); installs nothing. rollvane-cli comes from
# ROLLVANE_BUILD_DIR (build/ by default); CONVERT=PROGRAM names another convert.
# Prints the times and the ratios; the exit status says only whether it could measure.
# prepare-logo loads Qt (about 8 ms before it reads a byte) for its PNG and JPEG readers.
# The files go under TMPDIR. rollvane-cli syncs its output to disk before renaming it into place
# and ImageMagick does not, so on a disk-backed TMPDIR rollvane's time includes that wait.
set -euo pipefail
cd "$(dirname "$0")/../.."

runs=${1:-20}
goal=20
cli=$(pwd)/${ROLLVANE_BUILD_DIR:-build}/bin/rollvane-cli
converter=$(pwd)/${ROLLVANE_BUILD_DIR:-build}/bench/logo_convert
convert=${CONVERT:-convert}

if ! [[ $runs =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: bench/graphics/prepare-logo-vs-imagemagick.sh [RUNS]" >&2
  exit 2
fi
if ! command -v "$convert" >/dev/null; then
  echo "prepare-logo-vs-imagemagick: ImageMagick's $convert is missing (apt-get install imagemagick)" >&2
  exit 1
fi
for program in "$cli" "$converter"; do
  if ! [ -x "$program" ]; then
    echo "prepare-logo-vs-imagemagick: $program is missing: build rollvane-cli and logo_convert first" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Rings of every grey, made 1-bit: edges at every angle for the scaler.
"$convert" -size 1200x800 radial-gradient:white-black -fx 'sin(u*40)/2+0.5' -threshold 50% -monochrome BMP3:in.bmp

rollvane() { "$cli" prepare-logo in.bmp rollvane.bmp --width 576 >/dev/null; }
converter() { "$converter" in.bmp converter.bmp 576; }
# The same steps: an area-averaging reduction to 576 dots wide, then black below half brightness.
imagemagick() { "$convert" in.bmp -scale 576x -threshold 50% -monochrome BMP3:imagemagick.bmp; }

# Milliseconds a run, over $runs runs after one not counted (it fills the file cache).
time_runs() {
  "$1"
  local start end
  start=$(date +%s%N)
  for ((i = 0; i < runs; i++)); do
    "$1"
  done
  end=$(date +%s%N)
  awk -v ns=$((end - start)) -v n="$runs" 'BEGIN { printf "%.2f", ns / n / 1e6 }'
}

ours=$(time_runs rollvane)
converted=$(time_runs converter)
theirs=$(time_runs imagemagick)
echo "input: 1200 x 800 1-bit BMP, reduced to 576 dots wide and thresholded; $runs runs each"
echo "the printer's converter:   $converted ms a run ($(wc -c <converter.bmp) bytes written)"
echo "rollvane-cli prepare-logo: $ours ms a run ($(wc -c <rollvane.bmp) bytes written)"
echo "ImageMagick convert:       $theirs ms a run ($(wc -c <imagemagick.bmp) bytes written)"
ratio() {
  awk -v a="$theirs" -v b="$2" -v goal="$goal" -v name="$1" 'BEGIN {
    ratio = a / b
    printf "ratio ImageMagick/%s: %.1f (goal: at least %d): %s\n", name, ratio, goal, (ratio >= goal ? "met" : "not met")
  }'
}
ratio converter "$converted"
ratio prepare-logo "$ours"
