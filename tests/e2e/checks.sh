# Checks shared by the scenarios. Each failing check prints why; a scenario
# fails when any of its checks did (its subshell exits with the count).
FAILURES=0
fail() { echo "  $*"; FAILURES=$((FAILURES + 1)); }
done_checks() { return "$FAILURES"; }

put() { mkdir -p "$(dirname "$1")"; printf '%s' "$2" > "$1"; }
has() { [ -f "$1" ] && [ "$(cat "$1")" = "$2" ] || fail "$1 should hold '$2' (has: $(head -c 80 "$1" 2>/dev/null || echo none))"; }
gone() { [ ! -e "$1" ] && [ ! -L "$1" ] || fail "$1 should be gone"; }
is_dir() { [ -d "$1" ] || fail "$1 should be a folder"; }
same_mtime() { [ "$(stat -c %Y "$1")" = "$2" ] || fail "$1 lost its last-write time ($(stat -c %Y "$1") != $2)"; }
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
  style_is "$status"
}
# style_is STATUS: a plain box for success, a warning or an error icon
# otherwise (MB_ICONWARNING 0x30, MB_ICONERROR 0x10), where the runner
# traces the box's calls (CALLS_TRACED=yes).
style_is() {
  [ "$CALLS_TRACED" = yes ] || return 0
  local want=16; [ "$1" = 0 ] && want=0; [ "$1" = 1 ] && want=48
  [ "$BOX_STYLE" = "$want" ] || fail "box style $BOX_STYLE, expected $want for status $1"
}
# file_calls_are "F=N ...": the file calls the run made, where the runner counts them.
file_calls_are() {
  [ "$CALLS_TRACED" = yes ] || return 0
  [ "$FILE_CALLS" = "$1" ] || fail "file calls '$FILE_CALLS', expected '$1'"
}
# says LINE: the box has this line.
says() { grep -qxF "$1" <<<"$TEXT" || fail "'$1' not in '$TEXT'"; }
# one_in_lib NAME...: names that Windows takes for one: exactly one of them
# is in LIB, and the others stay in the kit; each file holds its own name.
one_in_lib() {
  local name moved=0
  for name in "$@"; do
    if [ -f "LIB/$name" ]; then moved=$((moved + 1)); has "LIB/$name" "$name"; gone "$name"
    else has "$name" "$name"; fi
  done
  [ "$moved" = 1 ] || fail "$moved of $* in LIB"
}
caption_is() { [ "$CAPTION" = "$1" ] || fail "caption '$CAPTION', expected '$1'"; }

source "$(dirname "${BASH_SOURCE[0]}")/../texts.sh"
texts_load || exit 1
OK_TEXT="$(text installed)"

# names_left COUNT NAME...: the run exited 1, its box's first line counts
# COUNT units left, and it names exactly the NAMEs, each on a line of its
# own followed by its reason. REASON, when set, is the reason of each.
names_left() {
  local count="$1" name lines; shift
  [ "$STATUS" = 1 ] || fail "exit status $STATUS, expected 1"
  style_is 1
  [ "$(head -1 <<<"$TEXT")" = "$(left_line "$count")" ] || fail "first line '$(head -1 <<<"$TEXT")'"
  for name in "$@"; do
    if [ -n "${REASON:-}" ]; then
      says "$name: $REASON"
    else
      grep -qF "$name: " <<<"$TEXT" || fail "$name not named in '$TEXT'"
    fi
  done
  lines=$(grep -c ': ' <<<"$(tail -n +2 <<<"$TEXT")")
  [ "$lines" = "$#" ] || [ "$TEXT_CUT" = yes ] || fail "$lines units named, expected $#: '$TEXT'"
}
