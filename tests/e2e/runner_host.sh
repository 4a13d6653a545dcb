# Runs the host build; its box is the line "<caption>: <text>" on stdout.
runner_start() { [ -x "$BINARY" ] || { echo "no installer at $BINARY"; return 1; }; }
runner_stop() { :; }
CALLS_TRACED=no  # the host's box has no style, and its calls are not traced

# launch_installer LOG ARGS...: starts the installer in the background with
# its output in LOG; its process id in LAUNCHED.
launch_installer() {
  local log="$1"; shift
  "$BINARY" "$@" >"$log" 2>&1 &
  LAUNCHED=$!
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
