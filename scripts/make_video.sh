#!/usr/bin/env bash
# Makes the viewer's demo clip, data/Videos/demo.avi: FFmpeg's moving test
# pattern (colour bars, a gradient, a frame counter), 320 x 240, 15 frames per
# second for 4 seconds, in Cinepak with a key frame every second, as the AVI
# files of the engine's time were. Needs the ffmpeg program
# (scripts/install-deps.sh installs it).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/data/Videos/demo.avi"
mkdir -p "$(dirname "$out")"
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc2=size=320x240:rate=15:duration=4" \
  -c:v cinepak -g 15 -fflags +bitexact -flags +bitexact "$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"
