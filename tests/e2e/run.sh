#!/usr/bin/env bash
# End-to-end scenarios of the installer that no kit can say, one list for
# every build:
#   run.sh host  <path to the host build's install>
#   run.sh win32 <path to install.exe>        (runs it under Wine)
# Each scenario lays out a kit in a fresh temporary folder, runs the
# installer there, disturbs it, and checks what it left and said.
set -uo pipefail

RUNNER="${1:?runner: host or win32}"
BINARY="$(realpath -m "${2:?path to the installer}")"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/runner_$RUNNER.sh"
source "$HERE/checks.sh"
source "$HERE/scenarios.sh"
# E2E_ONLY="name ..." runs just those scenarios.
[ -n "${E2E_ONLY:-}" ] && read -ra SCENARIOS <<<"$E2E_ONLY"

runner_start || exit 1
trap 'runner_stop; rm -rf "$SCRATCH"' EXIT
SCRATCH="$(mktemp -d /tmp/kalvo-e2e-XXXXXX)"

passed=0 failed=0
for scenario in "${SCENARIOS[@]}"; do
  KIT="$SCRATCH/$scenario/kit"
  mkdir -p "$KIT"
  FAILURES=0
  (cd "$KIT" && "scenario_$scenario") >"$SCRATCH/$scenario.log" 2>&1
  if [ $? -eq 0 ]; then
    passed=$((passed + 1)); echo "ok    $RUNNER $scenario"
  else
    failed=$((failed + 1)); echo "FAIL  $RUNNER $scenario"; sed 's/^/      /' "$SCRATCH/$scenario.log"
  fi
done
echo "e2e $RUNNER: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
