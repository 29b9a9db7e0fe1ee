#!/usr/bin/env bash
# Builds the program and starts it: against the detector simulator by default, or on the
# machine's real serial ports with --hardware. Other arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
build=${DORVIK_BUILD:-build-release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDORVIK_TESTS=OFF >/dev/null
cmake --build "$build"

hardware=0
args=()
for a in "$@"; do
  if [ "$a" = "--hardware" ]; then hardware=1; else args+=("$a"); fi
done

if [ "$hardware" -eq 1 ] || [ ! -x "$build/tools/sim/dorvik_sim" ]; then
  exec "$build/src/dorvik_m_wizard" "${args[@]}"
fi

# The same launcher the package installs as dorvik_m_wizard_demo, pointed into this build: the
# receiver answers at the pace of its line, as a real unit does, so the program polls at the
# rate it would on the cable.
DORVIK_DEMO_PROGRAM="$build/src/dorvik_m_wizard" DORVIK_DEMO_SIM="$build/tools/sim/dorvik_sim" \
    exec packaging/dorvik_m_wizard_demo "${args[@]}"
