#!/usr/bin/env bash
# Times the host build's move of a kit into LIB against `cp -p` + `rm` and
# against `rsync -a --fsync --remove-source-files` (which, as the installer,
# flushes each file before it counts), on the same disk, in alternating
# pairs over fresh kits, and prints a Markdown table. KALVO_BENCH_INSTALLER
# times another build of the installer.
#   bench/bench.sh [--fs FS] [PAIRS]   full run (default 7 pairs)
#   bench/bench.sh --tiny              one pair over tiny kits, to keep it working
# FS is where the kits lie: "build" (build/bench, on the disk of the
# checkout; the default), "tmpfs" (a tmpfs mounted for the run) or
# "ext4-journal" (a journaled ext4 in an image file, mounted for the run);
# the last two need root.
set -euo pipefail
cd "$(dirname "$0")/.."

pairs=7 tiny=0 fs=build
while [ $# -gt 0 ]; do
  case "$1" in
    --tiny) pairs=1 tiny=1 ;;
    --fs) fs="$2"; shift ;;
    *) pairs="$1" ;;
  esac
  shift
done
command -v rsync >/dev/null && [ -x /usr/bin/time ] || bash scripts/setup.sh extra >/dev/null
[ -x build/host/install ] || { cmake --preset host >/dev/null && cmake --build --preset host >/dev/null; }
installer="${KALVO_BENCH_INSTALLER:-$PWD/build/host/install}"

work="$PWD/build/bench"
image="$PWD/build/bench-ext4.img"
clean_up() {
  mountpoint -q "$work" && umount "$work"
  rm -rf "$work" "$image"
}
trap clean_up EXIT
clean_up; mkdir -p "$work"
case "$fs" in
  build) ;;
  tmpfs) mount -t tmpfs -o size=4g kalvo-bench "$work" ;;
  ext4-journal)
    truncate -s 4G "$image" && mkfs.ext4 -q -F -O has_journal "$image" && mount -o loop "$image" "$work" ;;
  *) echo "bench: unknown filesystem $fs" >&2; exit 2 ;;
esac

# Workloads: name, unit count, unit size in KiB.
if [ "$tiny" = 1 ]; then
  workloads=("50 x 4 KiB|50|4" "2 x 1 MiB|2|1024" "10 units of 64 KiB|10|64")
else
  workloads=("5000 x 4 KiB|5000|4" "8 x 64 MiB|8|65536" "10 units of 64 KiB|10|64")
fi

make_seed() {  # $1 folder, $2 count, $3 KiB
  mkdir -p "$1"
  head -c $(( $3 * 1024 )) /dev/urandom >"$1/.block"
  local i
  for i in $(seq 1 "$2"); do
    { printf '%08d' "$i"; tail -c +9 "$1/.block"; } >"$1/unit$i.dcu"
  done
  rm "$1/.block"
}

# Moves a fresh copy of the seed with one mover; prints milliseconds.
time_move() {  # $1 mover, $2 seed
  local kit="$work/kit" start end
  rm -rf "$kit"; cp -a "$2" "$kit"; sync
  start=$(date +%s%N)
  case "$1" in
    installer) (cd "$kit" && "$installer" >/dev/null) ;;
    cp) (cd "$kit" && mkdir -p LIB && cp -p -- *.dcu LIB/ && rm -- *.dcu) ;;
    rsync) (cd "$kit" && mkdir -p LIB && rsync -a --fsync --remove-source-files -- *.dcu LIB/) ;;
  esac
  end=$(date +%s%N)
  [ -z "$(cd "$kit" && find . -maxdepth 1 -name '*.dcu' -print -quit)" ] || { echo "bench: $1 left units" >&2; exit 1; }
  echo $(( (end - start) / 1000000 ))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Peak RSS varies by a few pages from run to run (address layout), so the
# median of five runs is reported, and beside it the median of the pages
# each run touched (its minor page faults), which varies far less.
memory_of() {  # $1 seed; prints "<peak RSS in KiB> <pages touched>"
  local kit="$work/kit" run out rss=() faults=()
  for run in 1 2 3 4 5; do
    rm -rf "$kit"; cp -a "$1" "$kit"
    out="$( (cd "$kit" && /usr/bin/time -f '%M %R' "$installer" 2>&1 >/dev/null) | tail -1)"
    rss+=("${out% *}"); faults+=("${out#* }")
  done
  echo "$(printf '%s\n' "${rss[@]}" | median) $(printf '%s\n' "${faults[@]}" | median)"
}

echo "| Workload | installer median (ms) | cp -p + rm median (ms) | rsync --fsync median (ms) | installer ÷ cp, median of pairs | installer ÷ rsync --fsync, median of pairs | pairs |"
echo "|---|---:|---:|---:|---:|---:|---:|"
declare -A memory=()
for workload in "${workloads[@]}"; do
  IFS='|' read -r name count kib <<<"$workload"
  seed="$work/seed"; rm -rf "$seed"; make_seed "$seed" "$count" "$kib"
  ours=() cps=() rsyncs=() ratio_cp=() ratio_rsync=()
  for pair in $(seq 1 "$pairs"); do
    # Alternate who goes first, so that neither always meets a warmer cache.
    if [ $((pair % 2)) = 1 ]; then
      a=$(time_move installer "$seed"); b=$(time_move cp "$seed"); c=$(time_move rsync "$seed")
    else
      c=$(time_move rsync "$seed"); b=$(time_move cp "$seed"); a=$(time_move installer "$seed")
    fi
    ours+=("$a") cps+=("$b") rsyncs+=("$c")
    ratio_cp+=("$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", (a + 0.5) / (b + 0.5) }')")
    ratio_rsync+=("$(awk -v a="$a" -v c="$c" 'BEGIN { printf "%.3f", (a + 0.5) / (c + 0.5) }')")
  done
  m_ours=$(printf '%s\n' "${ours[@]}" | median); m_cp=$(printf '%s\n' "${cps[@]}" | median)
  m_rsync=$(printf '%s\n' "${rsyncs[@]}" | median)
  echo "| $name | $m_ours | $m_cp | $m_rsync | $(printf '%s\n' "${ratio_cp[@]}" | median) | $(printf '%s\n' "${ratio_rsync[@]}" | median) | $pairs |"
  if [ "$kib" -ge 1024 ]; then  # the large-unit workload
    bytes=$((count * kib * 1024))
    tp_ours=$(awk -v b="$bytes" -v ms="$m_ours" 'BEGIN { printf "%.0f", b / 1048576 / (ms / 1000) }')
    tp_cp=$(awk -v b="$bytes" -v ms="$m_cp" 'BEGIN { printf "%.0f", b / 1048576 / (ms / 1000) }')
    throughput="installer $tp_ours MiB/s, cp -p $tp_cp MiB/s (ratio $(awk -v a="$tp_ours" -v b="$tp_cp" 'BEGIN { printf "%.2f", a / b }'))"
  fi
  [ "$count" = 10 ] || [ "$count" -ge 50 -a "$kib" = 4 ] && memory[$count]=$(memory_of "$seed")
done
echo
echo "Large units: ${throughput:-n/a}"
small=10; many=$([ "$tiny" = 1 ] && echo 50 || echo 5000)
read -r rss_small pages_small <<<"${memory[$small]}"; read -r rss_many pages_many <<<"${memory[$many]}"
echo "Peak RSS of the installer: $rss_small KiB at $small units, $rss_many KiB at $many units (difference $((rss_many - rss_small)) KiB)"
echo "Pages the installer touched: $pages_small at $small units, $pages_many at $many units (difference $(( (pages_many - pages_small) * $(getconf PAGESIZE) / 1024 )) KiB)"
[ -f build/win32/install.exe ] && echo "Size of build/win32/install.exe: $(stat -c %s build/win32/install.exe) bytes"
# A mounted ext4 with a journal has its journal thread listed in /proc/fs/jbd2.
journal=""
if [ "$(df -T "$work" | awk 'NR == 2 { print $2 }')" = ext4 ]; then
  device="$(basename "$(df "$work" | awk 'NR == 2 { print $1 }')")"
  journal=", no journal"
  compgen -G "/proc/fs/jbd2/$device-*" >/dev/null && journal=", journaled"
fi
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), $(uname -sr), $(df -T "$work" | awk 'NR == 2 { print $2 }')$journal on $(df "$work" | awk 'NR == 2 { print $1 }')"
