#!/usr/bin/env bash
# Checks the built install.exe: PE32 for Intel 386, the Windows GUI
# subsystem, the hardening flags of its header, only KERNEL32, USER32 and
# msvcrt imported, and its manifest and version resource in .rsrc, both
# with the project's version.
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
# DllCharacteristics: ASLR, DEP, terminal-server aware, and no SEH handler.
flags="$(sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/p' <<<"$headers")"
for flag in DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE NO_SEH; do
  grep -qw "$flag" <<<"$flags" && echo "ok    $flag" || { echo "FAIL  $flag"; failed=1; }
done
# NO_SEH holds only while no code in the image registers an SEH frame: that
# takes writing the head of the chain, %fs:0, and no instruction touches it.
seh="$($objdump -d "$exe" | grep -cE '%fs:0x0\b|%fs:0x0,|,%fs:0x0|%fs:\(')"
[ "$seh" = 0 ] && echo "ok    no SEH frame registered (no access to %fs:0)" || { echo "FAIL  $seh accesses to %fs:0"; failed=1; }
dlls="$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')"
[ "$dlls" = "KERNEL32.DLL MSVCRT.DLL USER32.DLL " ] && echo "ok    imports $dlls" || { echo "FAIL  imports $dlls"; failed=1; }
# Resource directory entries: type 24 is the manifest, type 16 the version.
rsrc="$($objdump -p "$exe" | sed -n '/The .rsrc Resource Directory section/,$p')"
grep -Eq '^0[0-9a-f]+   Entry: ID: 0x000018' <<<"$rsrc" && echo "ok    manifest" || { echo "FAIL  manifest"; failed=1; }
grep -Eq '^0[0-9a-f]+   Entry: ID: 0x000010' <<<"$rsrc" && echo "ok    version resource" || { echo "FAIL  version resource"; failed=1; }
# The version, written once in CMakeLists.txt, in the resource and the
# manifest. (Read into variables first: grep -q ends a pipe early.)
version="$(sed -n 's/^project(kalvo_installer VERSION \([0-9.]*\).*/\1.0/p' "$(dirname "$0")/../CMakeLists.txt")"
wide="$(strings -el "$exe")" narrow="$(strings "$exe")"
[ "$(grep -A1 -x 'FileVersion' <<<"$wide" | tail -1)" = "$version" ] &&
  [ "$(grep -A1 -x 'ProductVersion' <<<"$wide" | tail -1)" = "$version" ] &&
  grep -q 'OriginalFilename' <<<"$wide" && echo "ok    version strings $version" ||
  { echo "FAIL  version strings (expected $version)"; failed=1; }
grep -q '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>' <<<"$narrow" &&
  echo "ok    manifest: long-path aware" || { echo "FAIL  manifest: not long-path aware"; failed=1; }
grep -q "name=\"Kalvo.UnitInstaller\" version=\"$version\"" <<<"$narrow" &&
  echo "ok    manifest version $version" || { echo "FAIL  manifest version (expected $version)"; failed=1; }
echo "size: $(stat -c %s "$exe") bytes"
exit "$failed"
