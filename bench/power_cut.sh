#!/usr/bin/env bash
# Power cuts on a real ext4, as near as a machine without device-mapper
# comes: the kit lies on an ext4 in an image file, mounted through a loop
# device, so that the image holds what ext4 has handed to its disk. The host
# build runs in the kit; at a random instant it is stopped, ext4 is given
# two seconds to commit its journal (commit=1) if it has one, and the image
# is copied: a disk whose names and metadata are written but whose
# unflushed data is not, the worst instant for a power cut. The copy is
# mounted (the journal replayed; checked by e2fsck first without one) and
# every unit must be whole in the kit or in LIB under its own name. Without
# a journal, ext4 writes its metadata back in no set order, which two
# seconds do not reach: there it shows less. Root only; not part of the
# test command.
#   bench/power_cut.sh INSTALLER [TRIALS] [--no-journal]
set -euo pipefail
installer="$(realpath "${1:?path to the host build}")"
trials="${2:-20}" journal=has_journal options=loop,commit=1
[ "${3:-}" = --no-journal ] && journal=^has_journal options=loop
units=300

work="$(mktemp -d /var/tmp/kalvo-power-cut-XXXXXX)"
disk="$work/disk" after="$work/after"
mkdir -p "$disk" "$after" "$work/seed"
clean_up() {
  mountpoint -q "$disk" && umount "$disk"
  mountpoint -q "$after" && umount "$after"
  rm -rf "$work"
}
trap clean_up EXIT
# Distinct units; the first 50 have older versions in LIB to replace.
for i in $(seq -w 1 "$units"); do head -c 65536 /dev/urandom >"$work/seed/u$i.dcu"; done
(cd "$work/seed" && sha256sum -- *.dcu) >"$work/sums"

lost_total=0 trials_losing=0
for trial in $(seq 1 "$trials"); do
  truncate -s 256M "$work/image" && mkfs.ext4 -q -F -O "$journal" "$work/image"
  mount -o "$options" "$work/image" "$disk"
  cp -a "$work/seed" "$disk/kit" && mkdir "$disk/kit/LIB"
  for i in $(seq -w 1 50); do head -c 1000 /dev/urandom >"$disk/kit/LIB/u0$i.dcu"; done
  sync
  (cd "$disk/kit" && exec "$installer" >/dev/null) &
  pid=$!
  sleep "0.$(printf '%03d' $((RANDOM % 400)))"
  kill -STOP "$pid" 2>/dev/null || true
  sleep 2
  cp --sparse=always "$work/image" "$work/cut"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  umount "$disk"
  [ "$journal" = has_journal ] || e2fsck -fy "$work/cut" >/dev/null 2>&1 || true
  mount -o loop "$work/cut" "$after"
  lost=0 moved=0
  while read -r sum name; do
    if [ "$(sha256sum <"$after/kit/$name" 2>/dev/null | cut -d' ' -f1)" = "$sum" ]; then :
    elif [ "$(sha256sum <"$after/kit/LIB/$name" 2>/dev/null | cut -d' ' -f1)" = "$sum" ]; then
      moved=$((moved + 1))
    else lost=$((lost + 1)); fi
  done <"$work/sums" 2>/dev/null
  umount "$after"
  echo "trial $trial: $moved units moved by the cut, $lost lost"
  lost_total=$((lost_total + lost))
  [ "$lost" = 0 ] || trials_losing=$((trials_losing + 1))
done
echo "power cuts: $trials on ext4 ($journal), $units units of 64 KiB; $trials_losing cuts lost units, $lost_total units lost in all"
[ "$lost_total" = 0 ]
