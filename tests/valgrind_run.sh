#!/usr/bin/env bash
# One end-to-end run of the host build under valgrind's memcheck, on a kit
# with units to move, one that cannot be copied and a folder named like one.
set -euo pipefail
installer="$(realpath "${1:?path to the host build}")"
command -v valgrind >/dev/null || { echo "valgrind missing"; [ "${CI:-}" = true ] && exit 1; exit 77; }
kit="$(mktemp -d /tmp/kalvo-valgrind-XXXXXX)"
trap 'chmod -R u+w "$kit"; rm -rf "$kit"' EXIT
for i in 1 2 3; do echo "unit $i" >"$kit/u$i.dcu"; done
mkdir "$kit/LIB" "$kit/dir.dcu"; echo old >"$kit/LIB/u3.dcu"; chmod 444 "$kit/LIB/u3.dcu"
status=0
(cd "$kit" && valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
  "$installer") || status=$?
[ "$status" = 1 ] || { echo "expected exit status 1 (one unit left), got $status"; exit 1; }
echo "valgrind: clean"
