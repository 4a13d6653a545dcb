#!/usr/bin/env bash
# Runs the host build end to end on hostile kits, one table of cases, each
# checked for the same invariant: no unit lost or partly written, and an exit
# status and message that tell the truth.
#   hostile_inputs.sh INSTALLER
set -uo pipefail
installer="$(realpath "${1:?path to the host build}")"
source "$(dirname "$0")/kit_invariant.sh"
scratch="$(mktemp -d /tmp/kalvo-hostile-XXXXXX)"
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT

# A new folder whose path is exactly $1 characters long, under the scratch folder.
folder_of_length() {
  local path="$scratch/$CASE" want="$1" step
  while [ $(( want - ${#path} )) -gt 201 ]; do path="$path/$(printf 'd%.0s' {1..200})"; done
  step=$(( want - ${#path} - 1 ))
  path="$path/$(printf "%${step}s" | tr ' ' 'k')"
  mkdir -p "$path" && echo "$path"
}
unit() { printf '%s %s' "$1" "$CASE" >"$KIT/$1"; }

# Each case lays out $KIT and sets EXPECT (the exit status) and LEFT (the
# count that an "incomplete" message must give).
case_workdir_at_limit() { KIT=$(folder_of_length 498); unit a.dcu; unit abcd.dcu; EXPECT=0; }
case_workdir_one_past() { KIT=$(folder_of_length 499); unit a.dcu; EXPECT=2; }
case_workdir_far_past() { KIT=$(folder_of_length 4000); unit a.dcu; EXPECT=2; }
case_target_one_past() { KIT=$(folder_of_length 498); unit abcd.dcu; unit abcde.dcu; EXPECT=1 LEFT=1; }
case_read_only_source() { unit ro.dcu; chmod 444 "$KIT/ro.dcu"; EXPECT=0; }
case_read_only_target() { unit a.dcu; mkdir "$KIT/LIB"; echo old >"$KIT/LIB/a.dcu"; chmod 444 "$KIT/LIB/a.dcu"; EXPECT=1 LEFT=1; }
case_lib_is_a_file() { unit a.dcu; unit b.dcu; echo file >"$KIT/LIB"; EXPECT=1 LEFT=2; }
case_lib_links_to_kit() { unit a.dcu; ln -s . "$KIT/LIB"; EXPECT=1 LEFT=1; }
case_folder_like_unit() { unit a.dcu; mkdir "$KIT/dir.dcu"; EXPECT=0; }
case_fifo_like_unit() { unit a.dcu; mkfifo "$KIT/pipe.dcu"; EXPECT=1 LEFT=1; }
case_links_like_units() {
  unit a.dcu; echo outside >"$scratch/outside.txt"; ln -s "$scratch/outside.txt" "$KIT/file-link.dcu"
  mkdir "$scratch/outdir"; ln -s "$scratch/outdir" "$KIT/dir-link.dcu"; EXPECT=0
}
case_dangling_link() { unit a.dcu; ln -s "$scratch/nowhere" "$KIT/dangling.dcu"; EXPECT=1 LEFT=1; }
case_unusual_names() {
  unit 'with blank.dcu'; unit $'tab\there.dcu'; unit 'Ünïcødé Модуль.dcu'; unit '-leading.dcu'
  unit 'back\slash.dcu'; unit '"quoted".dcu'; unit 'UPPER.DCU'; unit '.dcu'; EXPECT=0
}
case_empty_and_large_units() {
  : >"$KIT/empty.dcu"; head -c $((128 * 1024 * 1024)) /dev/urandom >"$KIT/large.dcu"; EXPECT=0
}
case_many_units() { for i in $(seq 1 5000); do printf 'unit %d' "$i" >"$KIT/u$i.dcu"; done; EXPECT=0; }

CASES=(workdir_at_limit workdir_one_past workdir_far_past target_one_past read_only_source
  read_only_target lib_is_a_file lib_links_to_kit folder_like_unit fifo_like_unit
  links_like_units dangling_link unusual_names empty_and_large_units many_units)

failures=0
for CASE in "${CASES[@]}"; do
  KIT="$scratch/$CASE/kit"; mkdir -p "$KIT"; EXPECT=0 LEFT=0
  "case_$CASE"
  sums="$scratch/$CASE.sums"; record_units "$KIT" "$sums"
  lib_before=$([ -e "$KIT/LIB" ] && echo yes || echo no)
  message="$(cd "$KIT" && timeout 120 "$installer")"; status=$?
  problems=()
  units_intact "$KIT" "$sums" >"$scratch/damage" || problems+=("$(cat "$scratch/damage")")
  [ "$status" = "$EXPECT" ] || problems+=("exit status $status, expected $EXPECT")
  case "$status" in
    0) [ "$message" = "install: KALVO successfully installed!" ] || problems+=("message: $message")
       # Every unit is in LIB, but for a name Windows cannot express.
       [ "$(units_not_in_lib "$KIT" <(grep -v '\\' "$sums"))" = 0 ] || problems+=("success with units not in LIB") ;;
    1) word=$([ "$LEFT" = 1 ] && echo "unit file was" || echo "unit files were")
       [ "$message" = "install: KALVO installation incomplete: $LEFT $word left in the working folder." ] ||
         problems+=("message: $message") ;;
    2) [[ "$message" == "install: KALVO was not installed: "* ]] || problems+=("message: $message")
       [ "$lib_before" = yes ] || [ ! -e "$KIT/LIB" ] || problems+=("LIB created although not installed")
       [ "$(units_not_in_lib "$KIT" "$sums")" = "$(wc -l <"$sums")" ] || problems+=("units moved although not installed") ;;
  esac
  if [ "${#problems[@]}" -eq 0 ]; then echo "ok    $CASE (0 lost)"
  else failures=$((failures + 1)); echo "FAIL  $CASE"; printf '      %s\n' "${problems[@]}"; fi
done
echo "hostile inputs: ${#CASES[@]} cases, $failures failed"
[ "$failures" -eq 0 ]
