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

ctest --preset asan
bash scripts/fuzz.sh 200000
bash bench/bench.sh --tiny
ctest --preset host
