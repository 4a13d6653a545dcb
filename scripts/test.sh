#!/usr/bin/env bash
# The project's test command: installs what is missing, builds the host
# build and install.exe, and runs every test (unit, stand-in, end-to-end on
# both builds). With CI=true nothing may be skipped.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh all
cmake --preset host
cmake --build --preset host
cmake --preset win32
cmake --build --preset win32
ctest --preset host
