#!/usr/bin/env bash
# Checks the built install.exe: PE32 for Intel 386, the Windows GUI
# subsystem, only KERNEL32, USER32 and msvcrt imported, and its manifest and
# version resource in .rsrc.
set -uo pipefail
exe="${1:?path to install.exe}"
objdump=i686-w64-mingw32-objdump
if [ ! -f "$exe" ] || ! command -v "$objdump" >/dev/null; then
  echo "no $exe or no $objdump: run scripts/setup.sh win32 and build the win32 preset"
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi
headers="$($objdump -p "$exe")"
failed=0
expect() { grep -Eq "$2" <<<"$headers" && echo "ok    $1" || { echo "FAIL  $1"; failed=1; }; }
expect "PE32 for Intel 386" 'file format pei-i386'
expect "PE32 optional header" 'Magic[[:space:]]+010b[[:space:]]+\(PE32\)'
expect "Windows GUI subsystem" 'Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)'
dlls="$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')"
[ "$dlls" = "KERNEL32.DLL MSVCRT.DLL USER32.DLL " ] && echo "ok    imports $dlls" || { echo "FAIL  imports $dlls"; failed=1; }
# Resource directory entries: type 24 is the manifest, type 16 the version.
rsrc="$($objdump -p "$exe" | sed -n '/The .rsrc Resource Directory section/,$p')"
grep -Eq '^0[0-9a-f]+   Entry: ID: 0x000018' <<<"$rsrc" && echo "ok    manifest" || { echo "FAIL  manifest"; failed=1; }
grep -Eq '^0[0-9a-f]+   Entry: ID: 0x000010' <<<"$rsrc" && echo "ok    version resource" || { echo "FAIL  version resource"; failed=1; }
strings -el "$exe" | grep -q 'OriginalFilename' && echo "ok    version strings" || { echo "FAIL  version strings"; failed=1; }
echo "size: $(stat -c %s "$exe") bytes"
exit "$failed"
