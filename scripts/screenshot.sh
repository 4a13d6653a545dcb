#!/usr/bin/env bash
# Takes the README's picture of install.exe's box: the real exe under Wine on
# a private Xvfb display, with twm giving the box its title bar.
#   scripts/screenshot.sh [OUTPUT]     (default docs/install-box.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/install-box.png}"
bash scripts/setup.sh docs >/dev/null
[ -f build/win32/install.exe ] || { cmake --preset win32 >/dev/null && cmake --build --preset win32 >/dev/null; }
exe="$PWD/build/win32/install.exe"

export WINEPREFIX="${KALVO_WINEPREFIX:-$HOME/.cache/kalvo-wine}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=d"
display_file="$(mktemp)"; kit="$(mktemp -d /tmp/kalvo-shot-XXXXXX)"
Xvfb -displayfd 1 -screen 0 640x400x24 -nolisten tcp >"$display_file" 2>/dev/null &
xvfb=$!
trap 'kill ${twm:-} $xvfb 2>/dev/null; rm -rf "$kit" "$kit.twmrc" "$display_file"' EXIT
for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$display_file")"
xsetroot -solid '#3a6ea5' 2>/dev/null || true
# twm places new windows where they ask to be, without waiting for a click.
printf 'RandomPlacement\nUsePPosition "on"\nNoGrabServer\n' >"$kit.twmrc"
# twm needs a font set for the locale; the C locale has one on a bare machine.
LC_ALL=C twm -f "$kit.twmrc" >/dev/null 2>&1 &
twm=$!
for i in 1 2 3; do echo "unit $i" >"$kit/Unit$i.dcu"; done
(cd "$kit" && wine "$exe") &
installer=$!
box=""
for _ in $(seq 600); do
  box="$(xdotool search --onlyvisible --classname install.exe 2>/dev/null | head -1)" && [ -n "$box" ] && break
  sleep 0.5
done
[ -n "$box" ] || { echo "no box appeared"; exit 1; }
sleep 2
mkdir -p "$(dirname "$out")"
# The box and its title bar, with a margin of the desktop around them.
eval "$(xdotool getwindowgeometry --shell "$box")"
import -window root -crop "$((WIDTH + 40))x$((HEIGHT + 70))+$((X - 20))+$((Y - 45))" +repage "$out"
xdotool key --window "$box" Return
wait "$installer"
echo "wrote $out"
