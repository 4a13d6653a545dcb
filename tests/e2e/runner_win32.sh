# Runs the real install.exe under Wine on a private Xvfb display. The box is
# a real window: its caption is the X window's name, its text comes from
# Wine's msgbox trace, and it is dismissed by pressing Return on it.
WINE_TIMEOUT=300   # seconds for one run; 32-bit Wine may be emulated here
WINE64=/usr/lib/wine/wine64  # makes the prefix natively, without emulation
SHORT_NAMES_MATCH=yes  # whether "*.dcu" also matches "b.dcux" through its 8.3 name
PROGRAM_CAPTION="install.exe"
ARGUMENT_CAPTION='install.exe" /q'

runner_start() {
  local tool missing=()
  for tool in wine wineserver Xvfb xdotool; do command -v "$tool" >/dev/null || missing+=("$tool"); done
  [ -x "$WINE64" ] || missing+=("$WINE64")
  [ -f "$BINARY" ] || missing+=("$BINARY (cmake --build --preset win32)")
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "missing ${missing[*]}: run scripts/setup.sh win32"
    [ "${CI:-}" = true ] && return 1
    echo "e2e win32: skipped"; exit 77
  fi
  export WINEPREFIX="${KALVO_WINEPREFIX:-$HOME/.cache/kalvo-wine}"
  export WINEDEBUG=-all,+msgbox WINEDLLOVERRIDES="mscoree,mshtml=d"
  XVFB_LOG="$(mktemp)"
  Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp >"$XVFB_LOG" 2>/dev/null &
  XVFB_PID=$!
  local i
  for i in $(seq 50); do [ -s "$XVFB_LOG" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -1 "$XVFB_LOG")"
  # A prefix made once and kept between runs, and one server for all runs.
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX (once)"
    mkdir -p "$(dirname "$WINEPREFIX")"
    timeout 900 "$WINE64" wineboot -i >"$XVFB_LOG.boot" 2>&1 || { cat "$XVFB_LOG.boot"; return 1; }
  fi
  wineserver -p 2>/dev/null || true  # already running after wineboot: that one serves
}

runner_stop() {
  wineserver -k 2>/dev/null
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  rm -f "${XVFB_LOG:-}"
}

run_installer() {
  local log window="" pid deadline=$((SECONDS + WINE_TIMEOUT))
  log="$(mktemp)"
  wine "$BINARY" "$@" >"$log" 2>&1 &
  pid=$!
  while [ -z "$window" ] && kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
    window="$(xdotool search --onlyvisible --classname 'install.exe' 2>/dev/null | head -1)"
    [ -z "$window" ] && sleep 0.5
  done
  CAPTION=""
  if [ -n "$window" ]; then
    CAPTION="$(xdotool getwindowname "$window")"
    sleep 0.5
    xdotool key --window "$window" Return
  fi
  while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.2; done
  kill -0 "$pid" 2>/dev/null && { kill "$pid"; echo "  timed out"; }
  wait "$pid"; STATUS=$?
  # trace:msgbox:MSGBOX_OnInit L"<text>", with '"' and '\' escaped.
  TEXT="$(sed -n 's/.*MSGBOX_OnInit L"\(.*\)"$/\1/p' "$log" | tail -1 | sed 's/\\"/"/g; s/\\\\/\\/g')"
  rm -f "$log"
}
