#!/usr/bin/env bash
# Kills the host build with SIGKILL at random instants while it moves a few
# hundred units of half a megabyte, and checks after every kill that each
# unit is whole in the kit or in LIB, that no unit's name in LIB holds
# anything but its whole new version or its whole older one, that at most
# one staging file is left, and that a re-run completes the installation.
#   crash_trials.sh INSTALLER [TRIALS] [UNITS]
set -uo pipefail
installer="$(realpath "${1:?path to the host build}")"
trials="${2:-20}" units="${3:-300}"
source "$(dirname "$0")/kit_invariant.sh"

scratch="$(mktemp -d /tmp/kalvo-crash-XXXXXX)"
trap 'rm -rf "$scratch"' EXIT
kit="$scratch/kit" seed="$scratch/seed" sums="$scratch/sums"
mkdir -p "$seed"
# Distinct content per unit, so that a unit under another's name shows.
older="$scratch/older"
mkdir -p "$older"
for i in $(seq -w 1 "$units"); do head -c 524288 /dev/urandom >"$seed/U$i.dcu"; done
for i in $(seq -w 1 99); do head -c 300000 /dev/urandom >"$older/U$i.dcu"; done
record_units "$seed" "$sums"

# The second half of the trials replaces older versions of units in LIB.
lay_kit() {
  rm -rf "$kit"; cp -a "$seed" "$kit"
  if [ "$1" -gt $((trials / 2)) ]; then
    mkdir "$kit/LIB"; cp "$older"/U0*.dcu "$kit/LIB/"
  fi
  record_units "$kit/LIB" "$scratch/lib-before"
}
now_ms() { date +%s%3N; }

# How long a whole run takes, so that kills land inside runs.
lay_kit 0; start=$(now_ms); (cd "$kit" && "$installer" >/dev/null); span=$(( $(now_ms) - start + 1 ))

failures=0 kills=0 killed_mid_copy=0
for trial in $(seq 1 "$trials"); do
  lay_kit "$trial"
  delay_ms=$((RANDOM % span))
  # Every other trial, the stand-in copies through read and write, in
  # smaller steps, so that a kill lands inside a copy more often.
  copy_env=()
  [ $((trial % 2)) = 0 ] && copy_env=(KALVO_STANDIN_COPY=readwrite)
  (cd "$kit" && exec env "${copy_env[@]}" "$installer" >/dev/null) &
  pid=$!
  sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
  kill -KILL "$pid" 2>/dev/null && kills=$((kills + 1))
  wait "$pid" 2>/dev/null

  units_intact "$kit" "$sums" "$scratch/lib-before" || { echo "trial $trial: damage after a kill at ${delay_ms} ms"; failures=$((failures + 1)); }
  stale=$(find "$kit/LIB" -maxdepth 1 -name '~kalvo-*' 2>/dev/null | wc -l)
  [ "$stale" -le 1 ] || { echo "trial $trial: $stale staging files in LIB"; failures=$((failures + 1)); }
  killed_mid_copy=$((killed_mid_copy + stale))

  (cd "$kit" && "$installer" >/dev/null) || { echo "trial $trial: the re-run failed"; failures=$((failures + 1)); }
  left=$(find "$kit" -maxdepth 1 -iname '*.dcu' | wc -l)
  staging=$(find "$kit/LIB" -maxdepth 1 -name '~kalvo-*' | wc -l)
  missing=$(units_not_in_lib "$kit" "$sums")
  # The killed run's staging file may stay (it is no unit); the re-run leaves none of its own.
  if [ "$left" -ne 0 ] || [ "$staging" -gt "$stale" ] || [ "$missing" -ne 0 ]; then
    echo "trial $trial: after the re-run $left units in the kit, $missing not in LIB, $staging staging files"
    failures=$((failures + 1))
  fi
done
echo "crash trials: $trials trials, $kills killed mid-run (a run takes ~${span} ms), $killed_mid_copy left a staging file, $units units of 512 KiB, $failures failures"
[ "$failures" -eq 0 ]
