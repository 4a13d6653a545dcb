# Checks shared by the scenarios. Each failing check prints why; a scenario
# fails when any of its checks did (its subshell exits with the count).
FAILURES=0
fail() { echo "  $*"; FAILURES=$((FAILURES + 1)); }
done_checks() { return "$FAILURES"; }

put() { mkdir -p "$(dirname "$1")"; printf '%s' "$2" > "$1"; }
has() { [ -f "$1" ] && [ "$(cat "$1")" = "$2" ] || fail "$1 should hold '$2' (has: $(cat "$1" 2>/dev/null || echo none))"; }
gone() { [ ! -e "$1" ] && [ ! -L "$1" ] || fail "$1 should be gone"; }
is_dir() { [ -d "$1" ] || fail "$1 should be a folder"; }
same_mtime() { [ "$(stat -c %Y "$1")" = "$2" ] || fail "$1 lost its last-write time ($(stat -c %Y "$1") != $2)"; }

# Runs the installer in the kit with the given arguments and checks its
# exit status and the text of its box.
install_expect() {
  local status="$1" text="$2"; shift 2
  run_installer "$@"
  [ "$STATUS" = "$status" ] || fail "exit status $STATUS, expected $status"
  [ "$TEXT" = "$text" ] || fail "text '$TEXT', expected '$text'"
}
caption_is() { [ "$CAPTION" = "$1" ] || fail "caption '$CAPTION', expected '$1'"; }

OK_TEXT="KALVO successfully installed!"
left_text() {
  if [ "$1" = 1 ]; then echo "KALVO installation incomplete: 1 unit file was left in the working folder."
  else echo "KALVO installation incomplete: $1 unit files were left in the working folder."; fi
}
