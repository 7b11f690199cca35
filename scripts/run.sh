#!/usr/bin/env bash
# Installs what is missing, builds the viewer and the driver (Release, in
# build-run/) and runs d3dview with the arguments given, from the current
# folder so that relative screen-shot paths land there.
# Usage: scripts/run.sh [d3dview options...]
#   e.g. scripts/run.sh --frames 60 --screenshot out/shot%03d.tga
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${D3DDRIVER_RUN_BUILD:-$root/build-run}
# Build messages go to the error stream; the viewer's report alone is on the
# standard output.
{
  "$root/scripts/install-deps.sh"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DD3DDRIVER_TESTS=OFF -DD3DDRIVER_BENCH=OFF
  cmake --build "$build" -j "$(nproc)" --target d3dview d3ddriver
} >&2
exec "$build/bin/d3dview" "$@"
