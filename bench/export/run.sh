#!/usr/bin/env bash
# Builds and runs the export bench: the 68-slide test presentation at 1000x700 through the
# program's export, and through soffice --convert-to pdf plus pdftoppm.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
bash "$root/tools/setup"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_export -j 2
QT_QPA_PLATFORM=offscreen "$build/bench/export/bench_export" "$@"
