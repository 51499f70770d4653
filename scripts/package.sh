#!/usr/bin/env bash
# Installs what is missing, builds the programs in a release build of their own (no tests, no
# benchmarks) and makes the Debian package driftline_<version>_amd64.deb with CPack. Prints the
# package's path; install it with: sudo apt-get install ./driftline_<version>_amd64.deb
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh"
build="${DRIFTLINE_PACKAGE_BUILD_DIR:-$here/build-package}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DDRIFTLINE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/driftline_*.deb
