#!/usr/bin/env bash
# Builds the benchmarks (Release, in build-bench/) and runs them one after
# the other, each as a table: the rasteriser, vertex processing, the COM
# device, the demo scene, and the side-by-side run against Mesa's llvmpipe
# (when OSMesa is installed). Run it on a quiet machine: every figure is a rate.
# Usage: scripts/bench.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
{
  "$root/scripts/install-deps.sh"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DD3DDRIVER_TESTS=OFF \
    -DD3DDRIVER_BENCH=ON
  cmake --build "$build" -j "$(nproc)"
} >&2
echo "Benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores," \
  "load average $(cut -d' ' -f1 /proc/loadavg) before the run"
for b in raster vertex device scene; do
  echo
  echo "## bench_$b"
  D3DDRIVER_HEADLESS=1 "$build/bin/bench_$b" --benchmark_counters_tabular=true
done
echo
echo "## bench_peer"
if [ -x "$build/bin/bench_peer" ]; then
  "$build/bin/bench_peer"
else
  echo "not built: OSMesa (libosmesa6-dev) was not found"
fi
