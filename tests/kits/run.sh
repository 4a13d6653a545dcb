#!/usr/bin/env bash
# Runs the test kits on a built installer, each laid out in a fresh folder
# on a real disk, and has kit_tool judge every run by the one verdict:
#   run.sh host  <the host build's install> [KIT...]
#   run.sh win32 <install.exe> [KIT...]     under Wine; E2E_CODE_PAGE=legacy
#                                           for the exe in code page 1252, =932
#                                           for it in 932 (a Japanese locale)
# Without KITs, every kit in tests/kits that runs on this runner. Under Wine
# each outcome must also be the double's, unless the kit says Wine differs.
set -uo pipefail

KIND="${1:?runner: host or win32}"
BINARY="$(realpath -m "${2:?path to the installer}")"
shift 2
HERE="$(cd "$(dirname "$0")" && pwd)"
KIT_TOOL="${KALVO_KIT_TOOL:-$HERE/../../build/host/kit_tool}"
PRINT_TEXTS="${KALVO_PRINT_TEXTS:-$HERE/../../build/host/print_texts}"
RUNNER=host
[ "$KIND" = win32 ] && RUNNER=wine
[ "$KIND" = win32 ] && [ "${E2E_CODE_PAGE:-}" = legacy ] && RUNNER=wine-legacy ANSI_CODE_PAGE=CP1252
[ "$KIND" = win32 ] && [ "${E2E_CODE_PAGE:-}" = 932 ] &&
  RUNNER=wine-932 WINE_LOCALE=ja_JP.UTF-8 ANSI_CODE_PAGE=CP932
fail() { echo "  $*"; }  # for the runner's own complaints
source "$HERE/../e2e/runner_$KIND.sh"

[ -x "$KIT_TOOL" ] || { echo "no $KIT_TOOL (cmake --build --preset host)"; exit 1; }
[ "$#" -gt 0 ] || set -- "$HERE"
mapfile -t KITS < <("$KIT_TOOL" list "$RUNNER" "$@") || exit 1

runner_start || exit 1
SCRATCH="$(mktemp -d /tmp/kalvo-kits-XXXXXX)"
trap 'runner_stop; chmod -R u+w "$SCRATCH" 2>/dev/null; rm -rf "$SCRATCH"' EXIT

WINDOWS_BEFORE="$SCRATCH/windows"
[ "$KIND" = win32 ] && ls -A "$WINEPREFIX/drive_c/windows" | sort >"$WINDOWS_BEFORE"

# The platform's own texts for the error codes kits name.
ERRORS="$SCRATCH/errors"
if [ "$KIND" = host ]; then
  "$PRINT_TEXTS" --errors $("$KIT_TOOL" error-codes) >"$ERRORS"
else
  probe_platform errors $("$KIT_TOOL" error-codes) >"$ERRORS"
fi

# Entries laid out under staging names, in the kit or in LIB, with a
# stand-in for the process id; each run gives them the names of its own id.
stand_ins() { find . ./LIB -maxdepth 1 -name "$STAGING_STAND_IN*" 2>/dev/null; }

# Runs the installer once in the kit folder; writes the result for kit_tool.
run_once() {
  local result="$1" log pid="" p
  local stand_ins_laid=($(stand_ins))
  log="$(mktemp)"
  if [ "$KIND" = host ]; then
    # The shell that gives the stand-ins their names becomes the installer,
    # keeping its process id.
    (ulimit -n 1024
     env "${KIT_ENV[@]}" bash -c 'echo $$ >"$1"; shift
       for p in $(find . ./LIB -maxdepth 1 -name "$0*" 2>/dev/null); do mv -T "$p" "${p/STAGING/$$}"; done
       exec "$@"' "$STAGING_STAND_IN" "$log.pid" "$BINARY" "${ARGS[@]}" >"$log" 2>&1 </dev/null)
    STATUS=$?
    pid="$(cat "$log.pid")"; rm -f "$log.pid"
    read_box "$log"
  else
    plant_under_every_id "${stand_ins_laid[@]}" || { rm -f "$log"; return 1; }
    local program="$BINARY"
    [ "$PROGRAM" = install.exe ] || program="$(dirname "$KIT_DIR")/$PROGRAM"
    BOX_CLASS="$PROGRAM" launch_exe "$log" "$program" "${ARGS[@]}"
    BOX_CLASS="$PROGRAM" settle_installers "$LAUNCHED"
    STATUS="${STATUSES[0]}"
    local caption="$CAPTION"
    CAPTION=""
    read_box "$log"
    [ -n "$CAPTION" ] || CAPTION="$caption"
    pid="$RUN_PID"
    [ "$UNFLUSHED_RENAMES" = 0 ] || fail "$UNFLUSHED_RENAMES copies renamed before their flush"
    unplant "$pid" "${stand_ins_laid[@]}"
    # Wine starts a program whose folder it cannot enter in C:\windows:
    # nothing may be made there.
    local made
    made="$(comm -13 "$WINDOWS_BEFORE" <(ls -A "$WINEPREFIX/drive_c/windows" | sort))"
    [ -z "$made" ] && [ ! -e "$WINEPREFIX/drive_c/windows/LIB" ] ||
      fail "made in C:\windows: $made"
  fi
  for p in "${stand_ins_laid[@]}"; do mv -T "${p/STAGING/$pid}" "$p" 2>/dev/null; done
  { echo "status $STATUS"; echo "caption $CAPTION"; echo "style ${BOX_STYLE:-}"
    [ "$CALLS_TRACED" = yes ] && echo "calls $FILE_CALLS"
    echo text; printf '%s\n' "$TEXT"; } >"$result"
  rm -f "$log"
}

# Under Wine the process id is not known before the start: a link laid out
# under a stand-in is planted under the staging name of every id Wine may
# give (small multiples of 4); unplant keeps the run's own.
plant_under_every_id() {
  local p
  for p in "$@"; do
    [ -L "$p" ] || { fail "under Wine only links can stand under a staging name: $p"; return 1; }
    perl -e 'my ($from, $max) = @ARGV; my $to = readlink($from);
      for my $id (1 .. $max / 4) { (my $name = $from) =~ s/STAGING/4 * $id/e; symlink($to, $name) or die }
      unlink $from' "$p" "$MAX_PLANTED_PID" || return 1
  done
}
unplant() {
  local keep="$1" p; shift
  for p in "$@"; do
    perl -e 'my ($stand_in, $keep, $max) = @ARGV;
      for my $id (1 .. $max / 4) { (my $name = $stand_in) =~ s/STAGING/4 * $id/e;
        unlink $name unless 4 * $id == $keep }' "$p" "$keep" "$MAX_PLANTED_PID"
  done
}

passed=0 failed=0
for kit in "${KITS[@]}"; do
  name="$(basename "$kit" .kit)"
  root="$SCRATCH/$name"
  mkdir -p "$root"
  problems=""
  phases=1 phase=0
  while [ "$phase" -lt "$phases" ]; do
    layout="$("$KIT_TOOL" lay "$kit" "$phase" "$root")" || { problems+="cannot lay out: $layout"$'\n'; break; }
    eval "$layout"
    phases="$PHASES"
    # A program started under another name: a copy of the exe beside the kit.
    if [ "$phase" = 0 ] && [ "$PROGRAM" != install.exe ]; then
      [ "$KIND" = win32 ] || { problems+="only install.exe can be renamed: $PROGRAM"$'\n'; break; }
      cp "$BINARY" "$(dirname "$KIT_DIR")/$PROGRAM"
    fi
    "$KIT_TOOL" snap "$root" "$root.before"
    (cd "$KIT_DIR" && run_once "$root.result") >>"$root.runner" 2>&1
    verdict="$("$KIT_TOOL" judge "$kit" "$RUNNER" "$root" "$KIT_FOLDER" "$root.before" \
      "$root.result" "$ERRORS" "$root.outcome")" || problems+="${verdict:-the verdict failed}"$'\n'
    phase=$((phase + 1))
  done
  if [ -z "$problems" ] && [ "$RUNNER" != host ]; then
    problems="$("$KIT_TOOL" compare "$kit" "$RUNNER" "$root.outcome")" || true
  fi
  [ -s "$root.runner" ] && problems+="$(cat "$root.runner")"
  if [ -z "$problems" ]; then
    passed=$((passed + 1)); echo "ok    $RUNNER $name"
  else
    failed=$((failed + 1)); echo "FAIL  $RUNNER $name"; sed 's/^/      /' <<<"$problems"
  fi
  chmod -R u+w "$root" 2>/dev/null; rm -rf "$root"
done
echo "kits on $RUNNER: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
