#!/usr/bin/env bash
# Builds the fuzz target with clang in its own folder and fuzzes vault reading.
#   fuzz/run.sh SECONDS [libFuzzer options...]
# Crashes are written to build-fuzz/crashes/; the corpus grows in build-fuzz/corpus/.
set -euo pipefail
if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: $0 SECONDS [libFuzzer options...]" >&2
  exit 2
fi
seconds=$1
shift
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTREL_FUZZ=ON -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target open_fuzz -j"$(nproc)"

corpus="$build/corpus"
crashes="$build/crashes"
mkdir -p "$corpus" "$crashes"
# Real vaults and payloads to start from; written again each time, so they follow the format.
"$build/fuzz/open_fuzz" --write-seeds "$corpus"

"$build/fuzz/open_fuzz" -max_total_time="$seconds" -artifact_prefix="$crashes/" -print_final_stats=1 "$@" "$corpus"
