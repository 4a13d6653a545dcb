#!/usr/bin/env bash
# The project's test command: installs what is missing, builds the host
# build, install.exe and the sanitizer build, and runs every test: the kits
# on the double (with the fault matrix), on the host build and on
# install.exe under Wine, the double's tables against Wine's, unit and
# stand-in tests, the end-to-end runs no kit can say, crash trials,
# valgrind, the sanitizer suite, a bounded fuzzing run and a tiny
# benchmark. With CI=true nothing may be skipped.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh all

cmake --preset win32 && cmake --build --preset win32
cmake --preset host && cmake --build --preset host
cmake --preset asan && cmake --build --preset asan

# The sanitizer suite runs beside the rest: the host suite spends most of
# its time waiting for Wine. Its report follows the host suite's.
asan_log="$(mktemp)"
ctest --preset asan >"$asan_log" 2>&1 &
asan=$!
host=0 sanitized=0
bash scripts/fuzz.sh 200000 || host=$?
bash bench/bench.sh --tiny || host=$?
ctest --preset host || host=$?
wait "$asan" || sanitized=$?
cat "$asan_log"
rm -f "$asan_log"
[ "$host" -eq 0 ] && [ "$sanitized" -eq 0 ]
