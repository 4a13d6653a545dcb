#!/usr/bin/env bash
# Two builds of the same tree in different folders give the same
# install.exe: the tree is copied to a temporary folder, built there with
# the win32 preset, and the two exes are compared by SHA-256.
#   reproducible.sh INSTALL_EXE
set -uo pipefail
exe="$(realpath -m "${1:?path to install.exe built from this tree}")"
root="$(cd "$(dirname "$0")/../.." && pwd)"
if [ ! -f "$exe" ] || ! command -v i686-w64-mingw32-g++ >/dev/null; then
  echo "no $exe or no mingw-w64: run scripts/setup.sh win32 and build the win32 preset"
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi
other="$(mktemp -d /tmp/kalvo-rebuild-XXXXXX)/elsewhere/kalvo"
trap 'rm -rf "$(dirname "$(dirname "$other")")"' EXIT
mkdir -p "$other"
# The tree as it is, without its builds.
tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$other" -xf - || exit 1
(cd "$other" && cmake --preset win32 >/dev/null && cmake --build --preset win32 >/dev/null) ||
  { echo "the second build failed"; exit 1; }
first="$(sha256sum "$exe" | cut -d' ' -f1)"
second="$(sha256sum "$other/build/win32/install.exe" | cut -d' ' -f1)"
echo "$root: $first"
echo "$other: $second"
[ "$first" = "$second" ] && echo "reproducible: the same bytes" || { echo "reproducible: the builds differ"; exit 1; }
