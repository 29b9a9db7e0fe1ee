#!/usr/bin/env bash
# Renders the README's pictures into docs/screenshots/: the real window, offscreen, against
# simulated detectors. Builds in its own Release tree so it never disturbs another build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${DORVIK_SCREENSHOTS_BUILD:-build-screenshots}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDORVIK_TESTS=OFF >/dev/null
cmake --build "$build" --target dorvik_screenshots
# Only the simulated units' ports, never the machine's own.
DORVIK_SERIAL_PORTS='' QT_QPA_PLATFORM=offscreen "$build/tools/screenshots/dorvik_screenshots" docs/screenshots
# The commissioning report as the README shows it: its first page as a picture.
pdftoppm -png -r 60 -f 1 -l 1 -singlefile docs/screenshots/commissioning-report.pdf docs/screenshots/commissioning-report
rm -f docs/screenshots/commissioning-report.pdf
