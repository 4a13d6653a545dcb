# What no kit can say, run in the kit folder by both runners: a disk that
# fills up, a kill in the middle of a replacement, and two runs at once.
# (Every other case is a kit: tests/kits.)
SCENARIOS=(disk_full_during_replacement killed_during_replacement two_runs_at_once)

# Mounts a tmpfs of $1 MiB over the kit for this scenario (root only).
on_small_disk() {
  local kit="$PWD"
  if ! mount -t tmpfs -o "size=${1}m" kalvo-e2e "$kit" 2>/dev/null; then
    [ "${CI:-}" = true ] && { fail "cannot mount a tmpfs (not root?)"; return 1; }
    echo "  skipped: cannot mount a tmpfs here"; return 1
  fi
  trap 'cd /; umount "'"$kit"'"' EXIT
  cd "$kit"
}

# A disk that fills up while an older unit in LIB is replaced by a larger
# one: the older unit stays whole, and nothing else is left in LIB.
scenario_disk_full_during_replacement() {
  on_small_disk 12 || return "$FAILURES"
  head -c 3M /dev/urandom >../old.dcu; head -c 6M /dev/urandom >../new.dcu
  mkdir LIB; cp ../old.dcu LIB/b.dcu; cp ../new.dcu b.dcu
  run_installer
  names_left 1 b.dcu
  same_file LIB/b.dcu ../old.dcu; same_file b.dcu ../new.dcu; no_staging
  [ "$(ls LIB)" = b.dcu ] || fail "LIB holds $(ls LIB | tr '\n' ' ')"
  done_checks
}

# Killed while it replaces a large unit (copied through read and write on
# the host, so that the kill lands inside the copy): LIB holds
# the old unit or the whole new one, and a run after that completes.
scenario_killed_during_replacement() {
  head -c 64M /dev/urandom >../old.dcu; head -c 64M /dev/urandom >../new.dcu
  mkdir LIB; cp ../old.dcu LIB/big.dcu; cp ../new.dcu big.dcu
  local log i stale; log="$(mktemp)"
  KALVO_STANDIN_COPY=readwrite launch_installer "$log"
  # Until the copy is under way: a staging file shows in LIB (at most 5 s).
  for i in $(seq 1000); do
    compgen -G 'LIB/~kalvo-*' >/dev/null || ! kill -0 "$LAUNCHED" 2>/dev/null && break
    sleep 0.005
  done
  kill -KILL "$LAUNCHED" 2>/dev/null; wait "$LAUNCHED" 2>/dev/null; rm -f "$log"
  if cmp -s LIB/big.dcu ../old.dcu; then same_file big.dcu ../new.dcu
  else same_file LIB/big.dcu ../new.dcu; fi
  stale="$(staging_files)"
  [ "$stale" -le 1 ] || fail "$stale staging files after the kill"
  install_expect 0 "$OK_TEXT"
  same_file LIB/big.dcu ../new.dcu; gone big.dcu
  [ "$(staging_files)" -le "$stale" ] || fail "the run after the kill left a staging file"
  done_checks
}

# Started twice at once in a kit of 1,000 units: both runs tell the truth,
# and every unit ends whole in LIB.
scenario_two_runs_at_once() {
  local i logs=() pids=()
  for i in $(seq 1000); do printf 'unit %d' "$i" >"u$i.dcu"; done
  for i in 1 2; do logs+=("$(mktemp)"); launch_installer "${logs[-1]}"; pids+=("$LAUNCHED"); done
  settle_installers "${pids[@]}"
  for i in 0 1; do
    read_box "${logs[$i]}"
    [ "${STATUSES[$i]}" = 0 ] && [ "$TEXT" = "$OK_TEXT" ] ||
      fail "run $((i + 1)): status ${STATUSES[$i]}, $TEXT"
    rm -f "${logs[$i]}"
  done
  diff <(for i in $(seq 1000); do echo "u$i.dcu:unit $i"; done | sort) \
    <(cd LIB && grep -H '' u*.dcu | sort) >/dev/null || fail "not every unit is whole in LIB"
  no_staging
  done_checks
}
