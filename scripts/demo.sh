#!/usr/bin/env bash
# Builds the installer for this machine and runs it on a demo kit that it
# lays out in a temporary folder, showing the folder before and after.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh host >/dev/null
cmake --preset host >/dev/null
cmake --build --preset host >/dev/null
installer="$PWD/build/host/install"

kit="$(mktemp -d /tmp/kalvo-demo-XXXXXX)"
for unit in KalvoCore KalvoGrid KalvoReports; do
  printf 'compiled unit %s\n' "$unit" > "$kit/$unit.dcu"
done
printf 'Read me first.\n' > "$kit/readme.txt"

show() { (cd "$kit" && find . -type f | sort | sed 's|^\./|  |'); }
echo "Demo kit: $kit"
echo "Before:"; show
echo "Running the installer in the kit:"
status=0
(cd "$kit" && "$installer") || status=$?
echo "Exit status: $status"
echo "After:"; show
