# Runs the host build; its box is the line "<caption>: <text>" on stdout.
runner_start() { [ -x "$BINARY" ] || { echo "no installer at $BINARY"; return 1; }; }
runner_stop() { :; }
# The caption the program gets when started by its own name.
SHORT_NAMES_MATCH=no  # whether "*.dcu" also matches "b.dcux" through its 8.3 name
PROGRAM_CAPTION="install"

run_installer() {
  local out
  out="$("$BINARY" "$@")"
  STATUS=$?
  CAPTION="${out%%: KALVO*}"
  TEXT="${out#"$CAPTION: "}"
}
ARGUMENT_CAPTION="q"  # argv "/q" is shown as "\q": the caption source moves into it
