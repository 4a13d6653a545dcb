# Runs the host build; its box is the line "<caption>: <text>" on stdout.
runner_start() { [ -x "$BINARY" ] || { echo "no installer at $BINARY"; return 1; }; }
runner_stop() { :; }
# The caption the program gets when started by its own name.
SHORT_NAMES_MATCH=no  # whether "*.dcu" also matches "b.dcux" through its 8.3 name
INVALID_UTF8_READ_AS_FFFD=no  # the stand-in gives a name's bytes as they are
PROGRAM_CAPTION="install"
ARGUMENT_CAPTION="q"  # argv "/q" is shown as "\q": the caption source moves into it
# The stand-in refuses to replace a read-only file, as Windows does.
READ_ONLY_TARGETS_REFUSED=yes
CALLS_TRACED=no  # the host's box has no style, and its calls are not traced

# launch_installer LOG ARGS...: starts the installer in the background with
# its output in LOG; its process id in LAUNCHED and RUN_PID. With
# STAGING_LINK=PATH, a link to PATH stands in LIB under the run's first
# staging name, ~kalvo-<process id>.tmp: the shell that plants it becomes
# the installer, keeping its id.
launch_installer() {
  local log="$1"; shift
  if [ -n "${STAGING_LINK:-}" ]; then
    bash -c 'ln -s "$1" "LIB/~kalvo-$$.tmp" && shift && exec "$@"' _ "$STAGING_LINK" "$BINARY" "$@" \
      >"$log" 2>&1 &
  else
    "$BINARY" "$@" >"$log" 2>&1 &
  fi
  LAUNCHED=$!
  RUN_PID=$LAUNCHED
}

# settle_installers PID...: waits for each (the box needs no answer here);
# their exit statuses in STATUSES, in order.
settle_installers() {
  local pid status
  CAPTION=""
  STATUSES=()
  for pid in "$@"; do wait "$pid"; status=$?; STATUSES+=("$status"); done
}

# read_box LOG: CAPTION and TEXT of the box the run in LOG showed.
read_box() {
  local out; out="$(cat "$1")"
  CAPTION="${out%%: KALVO*}"
  TEXT="${out#"$CAPTION: "}"
  TEXT_CUT=no
  BOX_NOTE=""
}
