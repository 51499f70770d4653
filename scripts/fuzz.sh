#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for a bounded time.
#   scripts/fuzz.sh [SECONDS]      seconds per target (default 60; FUZZ_SECONDS also works)
# Seeds come from examples/, from logs made by `driftline-cli simulate` and from fuzz/seeds/;
# the grown corpora stay in build-fuzz/corpus/ for the next run. A crash leaves its input in
# build-fuzz/crashes/ and makes the script fail. Each run's closing figures go to
# build-fuzz/stats/<target>.txt.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-${FUZZ_SECONDS:-60}}"
clang="$(command -v clang++ || true)"
if [ -z "$clang" ]; then
  echo "fuzz: clang++ not found; skipped"
  exit 0
fi
out="$here/build-fuzz"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$here" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$clang" \
  -DDRIFTLINE_FUZZ=ON -DDRIFTLINE_BUILD_UI=OFF -DDRIFTLINE_BUILD_BENCH=OFF -DBUILD_TESTING=OFF "${launcher[@]}" >/dev/null
targets=(fuzz_logreader fuzz_logline fuzz_settings fuzz_controller)
cmake --build "$out" -j "$(nproc)" --target "${targets[@]}" driftline-cli

# Seeds. Log files: a first byte 0 (fresh file) or 1 (settled), then the file's bytes.
seeds="$out/seeds"
rm -rf "$seeds"
mkdir -p "$seeds"/{fuzz_logreader,fuzz_logline,fuzz_settings,fuzz_controller} "$out/crashes" "$out/stats"
n=0
for log in "$here"/examples/suite/Logs/*.log; do
  for state in 0 1; do
    { printf "\\x0$state"; head -c 6144 "$log"; } >"$seeds/fuzz_logreader/example-$n-$state"
  done
  head -c 4096 "$log" >"$seeds/fuzz_logline/example-$n"
  n=$((n + 1))
done
for seed in 1 2; do
  "$out/driftline-cli" simulate "$seeds/sim.log" --records 200 --seed "$seed" --malformed-every 7 --no-volts-every 5 >/dev/null
  { printf '\x01'; cat "$seeds/sim.log"; } >"$seeds/fuzz_logreader/simulated-$seed"
  # A half-written last line in a fresh file.
  { printf '\x00'; cat "$seeds/sim.log"; printf '75867000 16385 36'; } >"$seeds/fuzz_logreader/simulated-half-$seed"
  rm "$seeds/sim.log"
done
cp "$here"/examples/suite/ZVK.ini "$seeds/fuzz_settings/example.ini"
cp "$here"/fuzz/seeds/settings/* "$seeds/fuzz_settings/"
cp "$here"/fuzz/seeds/logline/* "$seeds/fuzz_logline/"
cp "$here"/fuzz/seeds/controller/* "$seeds/fuzz_controller/"

status=0
for target in "${targets[@]}"; do
  corpus="$out/corpus/$target"
  mkdir -p "$corpus"
  case "$target" in
    fuzz_logreader) maxlen=8192 ;;
    fuzz_logline) maxlen=4194304 ;;  # a line up to the reader's cap
    fuzz_settings) maxlen=16384 ;;
    fuzz_controller) maxlen=4096 ;;
  esac
  echo "fuzz: $target for ${seconds}s"
  if ! "$out/fuzz/$target" "$corpus" "$seeds/$target" -max_total_time="$seconds" -max_len="$maxlen" \
      -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/crashes/$target-" \
      >"$out/stats/$target.txt" 2>&1; then
    echo "fuzz: $target FAILED; see $out/stats/$target.txt and $out/crashes/"
    tail -n 40 "$out/stats/$target.txt"
    status=1
  fi
  grep -E '^(#[0-9]+.*(DONE|pulse))|stat::number_of_executed_units|cov:' "$out/stats/$target.txt" | tail -n 2 || true
done
exit "$status"
