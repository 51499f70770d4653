#!/usr/bin/env bash
# Installs what is missing, builds Driftline and opens the viewer on the example suite with its
# drift scan read in. Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) it draws the
# same plot with `driftline-cli plot` instead and prints where the picture is.
#
# The viewer writes its own [Driftline] section into the suite's ZVK.ini when it closes, so it
# runs on a copy of examples/suite (in the build folder); the checked-in example stays as it is.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh"
build="${DRIFTLINE_BUILD_DIR:-$here/build}"  # another build folder may be named in DRIFTLINE_BUILD_DIR
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null

suite="$build/example-suite"
rm -rf "$suite"
cp -r "$here/examples/suite" "$suite"
log="$suite/Logs/ZV-12-05-2010-0001.log"
# First start shows the dish's azimuth against time, which for a parked dish is one count of
# jitter filling the whole plot; the example opens on the drift scan itself (Volts against
# Time), the same picture the headless path below draws.
if ! grep -q '^\[Driftline\]' "$suite/ZVK.ini"; then
  printf '[Driftline]\r\nHorizontal=0\r\nVertical=7\r\n' >> "$suite/ZVK.ini"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  cmake --build "$build" --target driftline -j "$(nproc)"
  echo "== driftline --root $suite $log"
  exec "$build/driftline" --root "$suite" "$log"
fi

cmake --build "$build" --target driftline-cli -j "$(nproc)"
png="$build/example-plot.png"
echo "No display: drawing the viewer's plot of $log (Volts against Time) instead."
QT_QPA_PLATFORM=offscreen "$build/driftline-cli" plot "$log" --root "$suite" --x Time --y Volts -o "$png"
echo "$png"
