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

ports_file=$(mktemp)
# The receiver answers at the pace of its line, as a real unit does, so the program polls
# at the rate it would on the cable.
"$build/tools/sim/dorvik_sim" --ports-file "$ports_file" --empty --receiver 21 \
    --baud-pace --field-walk --alarm-every 20 >/dev/null &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$ports_file"' EXIT
for _ in $(seq 50); do [ -s "$ports_file" ] && break; sleep 0.1; done
DORVIK_SERIAL_PORTS=$(paste -sd: "$ports_file") "$build/src/dorvik_m_wizard" "${args[@]}"
