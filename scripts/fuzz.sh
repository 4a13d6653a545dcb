#!/usr/bin/env bash
# Fuzzes the caption rule with libFuzzer for a fixed number of executions.
#   scripts/fuzz.sh [RUNS]      (default 2000000)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-2000000}"
out=build/fuzz
mkdir -p "$out/corpus"
clang++ -std=c++17 -g -O1 -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  tests/fuzz/caption_fuzz.cpp messages/caption.cpp text/utf8.cpp text/spelling.cpp -o "$out/caption_fuzz"
printf '"C:\\Kit\\install.exe" ' > "$out/corpus/quoted"
printf '\t12abc' > "$out/corpus/number"
"$out/caption_fuzz" -runs="$runs" -max_len=256 "$out/corpus" 2>&1 | tail -3
echo "caption fuzzing: $runs executions, no failure"
