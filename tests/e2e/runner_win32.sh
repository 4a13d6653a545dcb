# Runs the real install.exe under Wine on a private Xvfb display. The box is
# a real window: its caption is the X window's name (and, where the relay
# trace has it, MessageBoxA's own argument), its text comes from Wine's
# msgbox trace, its style from the relay trace of MessageBoxA, and it is
# dismissed by pressing Return on it. The relay trace, limited to the
# file calls the program makes, also counts those calls.
WINE_TIMEOUT=300   # seconds for one run
WINE64=/usr/lib/wine/wine64  # makes the prefix natively, without emulation
CALLS_TRACED=yes  # BOX_STYLE and FILE_CALLS, from the relay trace
RELAY_INCLUDE="KERNEL32.CopyFileA;KERNEL32.MoveFileExA;KERNEL32.DeleteFileA;KERNEL32.FindFirstFileA;\
KERNEL32.FindNextFileA;KERNEL32.FindFirstFileW;KERNEL32.FindNextFileW;KERNEL32.GetFileAttributesA;\
KERNEL32.SetFileAttributesA;KERNEL32.CreateFileA;KERNEL32.FlushFileBuffers;KERNEL32.CloseHandle;\
user32.MessageBoxA"
# Wine's process ids are small multiples of 4, up to this one as far as a
# test plants names for them.
MAX_PLANTED_PID=16384

# runner_start [TOOL...]: also requires the tools named.
runner_start() {
  local tool missing=()
  for tool in wine wineserver Xvfb xdotool i686-w64-mingw32-gcc "$@"; do command -v "$tool" >/dev/null || missing+=("$tool"); done
  [ -x "$WINE64" ] || missing+=("$WINE64")
  [ -z "${BINARY:-}" ] || [ -f "$BINARY" ] || missing+=("$BINARY (cmake --build --preset win32)")
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "missing ${missing[*]}: run scripts/setup.sh win32"
    [ "${CI:-}" = true ] && return 1
    echo "skipped"; exit 77
  fi
  export WINEPREFIX="${KALVO_WINEPREFIX:-$HOME/.cache/kalvo-wine}"
  export WINEDEBUG=-all,+pid,+msgbox,+relay WINEDLLOVERRIDES="mscoree,mshtml=d"
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
  if ! grep -qF "\"RelayInclude\"=\"$RELAY_INCLUDE\"" "$WINEPREFIX/user.reg"; then
    WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ \
      /d "$RELAY_INCLUDE" /f >/dev/null 2>&1 || { echo "cannot set Wine's RelayInclude"; return 1; }
  fi
  # Wine's trace cuts a long box text: a helper reads each box whole.
  BOX_DIR="$(mktemp -d)"
  i686-w64-mingw32-gcc -O2 -o "$BOX_DIR/box_text.exe" "$(dirname "${BASH_SOURCE[0]}")/../win32/box_text.c" ||
    { echo "cannot build the box reader"; return 1; }
  i686-w64-mingw32-gcc -O2 -o "$BOX_DIR/platform_probe.exe" \
    "$(dirname "${BASH_SOURCE[0]}")/../win32/platform_probe.c" || { echo "cannot build the probe"; return 1; }
  mkdir "$BOX_DIR/boxes"
  WINEDEBUG=-all wine "$BOX_DIR/box_text.exe" "Z:$BOX_DIR/boxes" >/dev/null 2>&1 &
}

# probe_platform ARGS...: Wine's own answers (tests/win32/platform_probe.c).
probe_platform() { WINEDEBUG=-all wine_ "$BOX_DIR/platform_probe.exe" "$@" 2>/dev/null | tr -d '\r'; }

runner_stop() {
  wineserver -k 2>/dev/null
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "${XVFB_LOG:-}" "${BOX_DIR:-}"
}

# launch_installer LOG ARGS...: the exe under test, in the background.
launch_installer() { launch_exe "$1" "$BINARY" "${@:2}"; }

# wine_ ARGS...: wine, in the locale WINE_LOCALE when that is set (Wine
# takes its code page from it), the shell's own left as it is. env runs
# wine in its own place, so that a process started so is wine itself.
wine_() { env ${WINE_LOCALE:+LC_ALL="$WINE_LOCALE"} wine "$@"; }

# launch_exe LOG EXE ARGS...: any Windows program, in the background; its
# process id, which a kill reaches, in LAUNCHED.
launch_exe() {
  local log="$1"; shift
  env ${WINE_LOCALE:+LC_ALL="$WINE_LOCALE"} wine "$@" >"$log" 2>&1 &
  LAUNCHED=$!
}

# Presses Return on every box that shows until all the runs have ended,
# once the helper has read it (10 s at most); the caption of the first box
# in CAPTION. Boxes are told by the program's name, which Wine gives their
# windows as class (BOX_CLASS).
settle_installers() {
  local pid window deadline=$((SECONDS + WINE_TIMEOUT)) running i dismissed=" " read
  # The helper's texts of earlier runs are there already.
  read="$(find "$BOX_DIR/boxes" -name '*.txt' | wc -l)"
  CAPTION=""
  while [ "$SECONDS" -lt "$deadline" ]; do
    running=0
    for pid in "$@"; do kill -0 "$pid" 2>/dev/null && running=1; done
    [ "$running" = 0 ] && break
    for window in $(xdotool search --onlyvisible --classname "${BOX_CLASS:-install.exe}" 2>/dev/null); do
      [ -z "$CAPTION" ] && CAPTION="$(xdotool getwindowname "$window" 2>/dev/null)"
      if [[ "$dismissed" != *" $window "* ]]; then
        for i in $(seq 200); do
          [ "$(find "$BOX_DIR/boxes" -name '*.txt' | wc -l)" -gt "$read" ] && break
          sleep 0.05
        done
        dismissed+="$window "; read=$((read + 1))
      fi
      sleep 0.3
      xdotool key --window "$window" Return 2>/dev/null
    done
    sleep 0.2
  done
  STATUSES=()
  for pid in "$@"; do
    kill -0 "$pid" 2>/dev/null && { kill "$pid"; echo "  timed out"; }
    wait "$pid"; STATUSES+=("$?")
  done
}

# The text from the trace line MSGBOX_OnInit L"<text>", in which '\', '"'
# and line breaks are escaped. Wine cuts a long text and marks it with "...".
# BOX_STYLE is MessageBoxA's last argument, RUN_PID the process id that
# prefixes the line, FILE_CALLS "<function>=<count> ..." for the file
# calls the run made, sorted by name, and UNFLUSHED_RENAMES the renames of
# a copy that was not flushed since it was made.
# The log is read as text whatever bytes Wine's other messages hold (grep
# would otherwise call it binary and print nothing). Without a box, BOX_NOTE
# holds the end of the log.
read_box() {
  local line
  line="$(grep -a 'MSGBOX_OnInit L"' "$1" | tail -1)"
  BOX_NOTE=""
  [ -z "$line" ] && BOX_NOTE="no box traced; the run printed: $(tail -5 "$1" | cat -v | tr '\n' '|')"
  line="${line#*MSGBOX_OnInit L\"}"
  TEXT_CUT=no
  if [[ "$line" == *'"...' ]]; then TEXT_CUT=yes; line="${line%\"...}"; else line="${line%\"}"; fi
  TEXT="$(printf '%s' "$line" | sed 's/\\\\/\x01/g; s/\\n/\n/g; s/\\"/"/g; s/\x01/\\/g')"
  local call
  call="$(grep -a 'Call user32.MessageBoxA(' "$1" | tail -1)"
  BOX_STYLE="$(sed -n 's/.*,\([0-9a-f]\{8\}\)) ret=.*/\1/p' <<<"$call")"
  [ -n "$BOX_STYLE" ] && BOX_STYLE=$((16#$BOX_STYLE))
  # The caption as MessageBoxA took it, its bytes read in the code page
  # ANSI_CODE_PAGE (UTF-8 unless set): a title bar would not show a lone
  # lead byte, which marks a caption that is no whole text.
  local caption
  caption="$(sed -n 's/.*,[0-9a-f]\{8\} "\(.*\)",[0-9a-f]\{8\}) ret=.*/\1/p' <<<"$call")"
  if [ -n "$caption" ]; then
    CAPTION="$(printf '%b' "$(sed 's/\\"/"/g' <<<"$caption")" |
      iconv -f "${ANSI_CODE_PAGE:-UTF-8}" -t UTF-8 2>/dev/null)" || CAPTION+="<not whole characters>"
  fi
  RUN_PID="${call%%:*}"
  [ -n "$RUN_PID" ] && RUN_PID=$((16#$RUN_PID))
  FILE_CALLS="$(grep -ao 'Call KERNEL32\.[A-Za-z]*' "$1" | sed 's/.*\.//' | sort | uniq -c |
    awk '{ printf "%s%s=%s", (NR > 1 ? " " : ""), $2, $1 }')"
  # Renames of a copy that was not flushed since it was made.
  UNFLUSHED_RENAMES="$(grep -ao 'Call KERNEL32\.[A-Za-z]*' "$1" | sed 's/.*\.//' |
    awk '/^CopyFileA$/ { flushed = 0 } /^FlushFileBuffers$/ { flushed = 1 }
      /^MoveFileExA$/ && !flushed { n++ } END { print n + 0 }')"
  # The whole text, where the helper read the box of this run's process.
  local whole
  whole="$(find "$BOX_DIR/boxes" -name "*-$RUN_PID.txt" 2>/dev/null | sort | tail -1)"
  if [ -n "$RUN_PID" ] && [ -n "$whole" ]; then TEXT="$(cat "$whole")"; TEXT_CUT=no; fi
}
