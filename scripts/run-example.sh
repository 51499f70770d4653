#!/usr/bin/env bash
# Builds Driftline and shows what the example suite's drift scan holds: the log's summary
# (driftline-cli info) and the first derived samples (driftline-cli derive).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh"
build="${DRIFTLINE_BUILD_DIR:-$here/build}"  # another build folder may be named in DRIFTLINE_BUILD_DIR
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target driftline-cli -j "$(nproc)"

suite="$here/examples/suite"
log="$suite/Logs/ZV-12-05-2010-0001.log"
cli="$build/driftline-cli"

echo "== driftline-cli info $log"
"$cli" info "$log" --root "$suite"
echo
csv="$build/example-samples.csv"
echo "== driftline-cli derive $log > $csv"
"$cli" derive "$log" --root "$suite" > "$csv"
head -n 6 "$csv"
echo "... $(($(wc -l < "$csv") - 1)) samples in all, written to $csv"
