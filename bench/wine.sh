#!/usr/bin/env bash
# The marginal unit of install.exe under Wine, against another build of it
# (the last landed one, say): interleaved runs of both on fresh kits of no
# unit and of UNITS units of 4 KiB, each timed by Wine's own time stamps
# from the load of the exe to its box, so that neither Wine's start nor the
# box's dismissal counts. A unit's cost is the difference over UNITS; Wine
# runs under qemu here, so the ratio of the two builds' costs, pair by
# pair, is what to read, not the milliseconds.
#   bench/wine.sh EXE OTHER_EXE [UNITS] [PAIRS] [--fs tmpfs]
# The kits lie on the disk of /var/tmp, or on a tmpfs mounted for the run
# (root), where a flush costs nothing.
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
exe="$(realpath "${1:?install.exe to time}")" other="$(realpath "${2:?the build to time it against}")"
units="${3:-500}" pairs="${4:-5}" fs=disk
[ "${5:-}" = --fs ] && fs="${6:-tmpfs}"
fail() { echo "  $*"; }
source "$HERE/../tests/e2e/runner_win32.sh"
runner_start || exit 1
# No trace but the exe's load and its box, stamped: every call at its own cost.
export WINEDEBUG=-all,+timestamp,+loaddll,+msgbox
work="$(mktemp -d /var/tmp/kalvo-wine-bench-XXXXXX)"
[ "$fs" = tmpfs ] && mount -t tmpfs -o size=1g kalvo-wine-bench "$work"
trap 'runner_stop; mountpoint -q "$work" && umount "$work"; rm -rf "$work"' EXIT
# Both run as install.exe, from folders of their own: one name, one caption.
mkdir "$work/exe" "$work/other"
cp "$exe" "$work/exe/install.exe" && cp "$other" "$work/other/install.exe"
exe="$work/exe/install.exe" other="$work/other/install.exe"

# Milliseconds of one run of $1 on a fresh kit of $2 units.
time_run() {
  local kit="$work/kit" i start
  rm -rf "$kit"; mkdir "$kit"
  for i in $(seq 1 "$2"); do head -c 4096 /dev/urandom >"$kit/unit$i.dcu"; done
  sync
  (cd "$kit" && launch_exe "$work/log" "$1" && settle_installers "$LAUNCHED" >/dev/null)
  grep -a -e 'install\.exe" at ' -e 'MSGBOX_OnInit' "$work/log" | awk -F: '
    /install\.exe" at / { start = $1 } /MSGBOX_OnInit/ { printf "%d\n", ($1 - start) * 1000; exit }'
  [ -z "$(find "$kit" -maxdepth 1 -name '*.dcu' -print -quit)" ] || { echo "bench: units left" >&2; exit 1; }
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

ours=() theirs=() ratios=()
for pair in $(seq 1 "$pairs"); do
  # Alternate who goes first, so that neither always meets a warmer cache.
  if [ $((pair % 2)) = 1 ]; then
    a0=$(time_run "$exe" 0) a=$(time_run "$exe" "$units") b0=$(time_run "$other" 0) b=$(time_run "$other" "$units")
  else
    b0=$(time_run "$other" 0) b=$(time_run "$other" "$units") a0=$(time_run "$exe" 0) a=$(time_run "$exe" "$units")
  fi
  ours+=("$(awk -v t="$a" -v z="$a0" -v n="$units" 'BEGIN { printf "%.2f", (t - z) / n }')")
  theirs+=("$(awk -v t="$b" -v z="$b0" -v n="$units" 'BEGIN { printf "%.2f", (t - z) / n }')")
  ratios+=("$(awk -v x="${ours[-1]}" -v y="${theirs[-1]}" 'BEGIN { printf "%.3f", x / y }')")
  echo "pair $pair: ${ours[-1]} ms a unit against ${theirs[-1]} ms (runs of $a0/$a and $b0/$b ms)"
done
echo "| Kits on | units | ms a unit | ms a unit, the other build | ratio, median of pairs | pairs |"
echo "|---|---:|---:|---:|---:|---:|"
echo "| $fs ($(df -T "$work" | awk 'NR == 2 { print $2 }')) | $units | $(printf '%s\n' "${ours[@]}" | median) | $(printf '%s\n' "${theirs[@]}" | median) | $(printf '%s\n' "${ratios[@]}" | median) | $pairs |"
