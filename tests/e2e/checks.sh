# Checks shared by the scenarios. Each failing check prints why; a scenario
# fails when any of its checks did (its subshell exits with the count).
FAILURES=0
fail() { echo "  $*"; FAILURES=$((FAILURES + 1)); }
done_checks() { return "$FAILURES"; }

source "$(dirname "${BASH_SOURCE[0]}")/../texts.sh"
texts_load || exit 1
OK_TEXT="$(text installed)"

put() { mkdir -p "$(dirname "$1")"; printf '%s' "$2" > "$1"; }
has() { [ -f "$1" ] && [ "$(cat "$1")" = "$2" ] || fail "$1 should hold '$2' (has: $(head -c 80 "$1" 2>/dev/null || echo none))"; }
gone() { [ ! -e "$1" ] && [ ! -L "$1" ] || fail "$1 should be gone"; }
same_file() { cmp -s "$1" "$2" || fail "$1 differs from $2"; }
staging_files() { find "${1:-LIB}" -maxdepth 1 -name '~kalvo-*' ! -type l 2>/dev/null | wc -l; }
no_staging() { [ "$(staging_files "$@")" = 0 ] || fail "staging files left in ${1:-LIB}: $(ls "${1:-LIB}" | grep '^~kalvo-' | tr '\n' ' ')"; }

# Runs the installer once in the kit and reads its box: STATUS, CAPTION,
# TEXT (TEXT_CUT=yes when only its start could be read).
run_installer() {
  local log; log="$(mktemp)"
  launch_installer "$log" "$@"
  settle_installers "$LAUNCHED"
  STATUS="${STATUSES[0]}"
  local caption="$CAPTION"
  read_box "$log"
  [ -n "$caption" ] && CAPTION="$caption"
  rm -f "$log"
}

# Runs the installer in the kit with the given arguments and checks its
# exit status and the text of its box.
install_expect() {
  local status="$1" text="$2"; shift 2
  run_installer "$@"
  [ "$STATUS" = "$status" ] || fail "exit status $STATUS, expected $status"
  [ "$TEXT" = "$text" ] || fail "text '$TEXT', expected '$text' $BOX_NOTE"
}

# names_left COUNT NAME...: the run exited 1, its box's first line counts
# COUNT units left, and it names exactly the NAMEs.
names_left() {
  local count="$1" name lines; shift
  [ "$STATUS" = 1 ] || fail "exit status $STATUS, expected 1"
  [ "$(head -1 <<<"$TEXT")" = "$(left_line "$count")" ] || fail "first line '$(head -1 <<<"$TEXT")'"
  for name in "$@"; do grep -qF "$name: " <<<"$TEXT" || fail "$name not named in '$TEXT'"; done
  lines=$(grep -c ': ' <<<"$(tail -n +2 <<<"$TEXT")")
  [ "$lines" = "$#" ] || [ "$TEXT_CUT" = yes ] || fail "$lines units named, expected $#: '$TEXT'"
}
