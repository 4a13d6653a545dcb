#!/usr/bin/env bash
# install.exe never loads a DLL planted beside it or in the folder it runs
# in. Under Wine, a DLL named "n,b" in WINEDLLOVERRIDES is searched for the
# way Windows searches for any DLL that is not a KnownDLL: the program's own
# folder first. A marker DLL planted under such names leaves a mark beside
# itself when it is loaded. A bare control program first shows that, under
# these conditions, a planted DLL does get loaded; then install.exe, run in
# the kit and started from another folder, must load none and install as
# usual.
#   dll_planting.sh INSTALL_EXE
set -uo pipefail
BINARY="$(realpath -m "${1:?path to install.exe}")"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/../e2e/runner_win32.sh"
source "$HERE/../e2e/checks.sh"

runner_start i686-w64-mingw32-gcc i686-w64-mingw32-windres || exit 1
scratch="$(mktemp -d /tmp/kalvo-planting-XXXXXX)"
trap 'runner_stop; rm -rf "$scratch"' EXIT

# Names of DLLs that a themed box loads after start-up (Wine's own user32
# imports version and imm32 when the process starts, before any code of the
# program runs: those are out of its reach and not planted here).
PLANTED=(uxtheme msimg32 dwmapi ole32 rpcrt4 combase textinputframework)
export WINEDLLOVERRIDES="$(IFS=,; echo "${PLANTED[*]}")=n,b;mscoree,mshtml=d"

build="$scratch/build"
mkdir -p "$build"
cp "$HERE/marker_dll.c" "$HERE/control.c" "$HERE/control.rc" "$HERE/control.manifest" "$build/"
(cd "$build" && i686-w64-mingw32-gcc -shared -O2 -o marker.dll marker_dll.c &&
  i686-w64-mingw32-windres control.rc -O coff -o control.res &&
  i686-w64-mingw32-gcc -O2 -mwindows -o control.exe control.c control.res) || exit 1

plant() { local name; for name in "${PLANTED[@]}"; do cp "$build/marker.dll" "$1/$name.dll"; done; }
marks() { (cd "$scratch" && find . -name '*.dll.loaded' | sed 's|^\./||' | sort | tr '\n' ' '); }

# The control, planted beside itself, in its own folder.
mkdir "$scratch/control"
cp "$build/control.exe" "$scratch/control/"
plant "$scratch/control"
log="$(mktemp)"
(cd "$scratch/control" && launch_exe "$log" control.exe && BOX_CLASS=control.exe settle_installers "$LAUNCHED")
rm -f "$log"
loaded="$(marks)"
if [ -z "$loaded" ]; then
  echo "the control loaded none of the planted DLLs: this Wine does not search as Windows does, so the test would prove nothing"
  [ "${CI:-}" = true ] && exit 1
  echo "dll planting: skipped"; exit 77
fi
echo "control: loaded the planted $loaded"
find "$scratch" -name '*.dll.loaded' -delete

# install.exe in the kit, and install.exe in a folder of its own started in
# the kit: DLLs planted in every folder involved.
failures=0
check_run() {
  local what="$1" kit="$2"
  FAILURES=0
  (cd "$kit" && install_expect 0 "$OK_TEXT" && has LIB/a.dcu A && gone a.dcu && done_checks) ||
    failures=$((failures + 1))
  loaded="$(marks)"
  if [ -n "$loaded" ]; then echo "FAIL  $what: loaded the planted $loaded"; failures=$((failures + 1))
  else echo "ok    $what: installed, no planted DLL loaded"; fi
  find "$scratch" -name '*.dll.loaded' -delete
}
mkdir -p "$scratch/kit" "$scratch/exe" "$scratch/kit2"
cp "$BINARY" "$scratch/kit/install.exe"
cp "$BINARY" "$scratch/exe/install.exe"
plant "$scratch/kit"; plant "$scratch/exe"; plant "$scratch/kit2"
put "$scratch/kit/a.dcu" A; put "$scratch/kit2/a.dcu" A
BINARY="$scratch/kit/install.exe" check_run "install.exe in the kit" "$scratch/kit"
BINARY="$scratch/exe/install.exe" check_run "install.exe started from another folder" "$scratch/kit2"
echo "dll planting: ${#PLANTED[@]} names planted, $failures failures"
[ "$failures" -eq 0 ]
