#!/usr/bin/env bash
# Installs what is missing, builds Driftline twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer), runs every test through CTest in both builds, makes the Debian
# package from the plain build and, when clang is present, runs each fuzz target for a minute
# (scripts/fuzz.sh).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh"
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$here/build" -j "$jobs"
ctest --test-dir "$here/build" --output-on-failure -j "$jobs"
# The Debian package from the same build (about ten seconds): driftline_<version>_amd64.deb.
(cd "$here/build" && cpack -G DEB >/dev/null)
ls "$here"/build/driftline_*.deb

cmake -S "$here" -B "$here/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDRIFTLINE_SANITIZE=ON
cmake --build "$here/build-sanitize" -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$here/build-sanitize" --output-on-failure -j "$jobs"

# The fuzz targets need clang's libFuzzer; without clang they are skipped.
if command -v clang++ >/dev/null; then
  bash "$here/scripts/fuzz.sh" "${FUZZ_SECONDS:-60}"
else
  echo "fuzz: clang++ not found; fuzz targets skipped"
fi
