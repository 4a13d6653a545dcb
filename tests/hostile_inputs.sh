#!/usr/bin/env bash
# Runs the host build end to end on hostile kits, one table of cases, each
# checked for the same invariant: no unit lost or partly written, and an exit
# status and message that tell the truth.
#   hostile_inputs.sh INSTALLER
set -uo pipefail
installer="$(realpath "${1:?path to the host build}")"
source "$(dirname "$0")/kit_invariant.sh"
source "$(dirname "$0")/texts.sh"
texts_load || exit 1
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

# Each case lays out $KIT and sets EXPECT (the exit status), LEFT (the
# count that an "incomplete" message must give), NAMED (lines the box must
# hold, "<unit>: <reason>") and RUN_ENV (settings for the stand-in).
# A 480-byte folder leaves room in TargetPath (511) for "\LIB\" and a
# 26-byte name, and for a staging file name of any process id (at most 21).
TOO_LONG="$(text reason_path_too_long)"
case_workdir_fits_staging() { KIT=$(folder_of_length 480); unit a.dcu; unit "$(printf 'n%.0s' {1..22}).dcu"; EXPECT=0; }
case_workdir_too_long_for_staging() { KIT=$(folder_of_length 498); unit a.dcu; EXPECT=1 LEFT=1 NAMED=("a.dcu: $TOO_LONG"); }
case_workdir_one_past() { KIT=$(folder_of_length 499); unit a.dcu; EXPECT=2; }
case_workdir_far_past() { KIT=$(folder_of_length 4000); unit a.dcu; EXPECT=2; }
case_target_one_past() {
  local fits long; fits="$(printf 'f%.0s' {1..22}).dcu" long="$(printf 'l%.0s' {1..23}).dcu"
  KIT=$(folder_of_length 480); unit "$fits"; unit "$long"; EXPECT=1 LEFT=1 NAMED=("$long: $TOO_LONG")
}
case_read_only_source() { unit ro.dcu; chmod 444 "$KIT/ro.dcu"; EXPECT=0; }
# A read-only namesake refuses to be replaced; the unit beside it moves.
case_read_only_target() {
  unit t.dcu; unit u.dcu; mkdir "$KIT/LIB"; echo old >"$KIT/LIB/t.dcu"; chmod 444 "$KIT/LIB/t.dcu"
  EXPECT=1 LEFT=1 NAMED=("t.dcu: Access is denied.")
}
case_lib_is_a_file() {
  local u; for u in a b c d e f g; do unit "$u.dcu"; done; echo file >"$KIT/LIB"; EXPECT=1 LEFT=7
}
case_non_ascii_unit_left() {
  unit 'Модуль Ünïcødé.dcu'; echo file >"$KIT/LIB"
  EXPECT=1 LEFT=1 NAMED=("Модуль Ünïcødé.dcu: The system cannot find the path specified.")
}
case_lib_links_to_kit() {
  unit a.dcu; ln -s . "$KIT/LIB"; EXPECT=1 LEFT=1 NAMED=("a.dcu: $(text reason_target_is_source)")
}
case_lib_holds_links_to_units() {
  unit a.dcu; unit b.dcu; mkdir "$KIT/LIB"; ln "$KIT/a.dcu" "$KIT/LIB/a.dcu"; ln -s ../b.dcu "$KIT/LIB/b.dcu"
  EXPECT=0
}
# A case's entries named STAGING, in LIB or in the kit, stand under the
# run's first staging name when it starts (see start_installer): a link to a
# read-only file outside, a read-only file, a folder, a file in the kit.
case_staging_name_is_a_link() {
  unit a.dcu; mkdir "$KIT/LIB"; echo outside >"$KIT/../outside"; chmod 444 "$KIT/../outside"
  ln -s "$KIT/../outside" "$KIT/LIB/STAGING"; EXPECT=0
}
case_staging_name_is_read_only() {
  unit a.dcu; mkdir "$KIT/LIB"; echo killed >"$KIT/LIB/STAGING"; chmod 444 "$KIT/LIB/STAGING"; EXPECT=0
}
case_staging_name_is_a_folder() { unit a.dcu; mkdir -p "$KIT/LIB/STAGING"; EXPECT=0; }
case_staging_name_in_kit() { unit a.dcu; echo kit >"$KIT/STAGING"; EXPECT=0; }
case_stale_staging_files() {
  unit a.dcu; mkdir "$KIT/LIB"; echo partial >"$KIT/LIB/~kalvo-1.tmp"; chmod 444 "$KIT/LIB/~kalvo-1.tmp"; EXPECT=0
}
case_folder_like_unit() { unit a.dcu; mkdir "$KIT/dir.dcu"; EXPECT=0; }
case_fifo_like_unit() { unit a.dcu; mkfifo "$KIT/pipe.dcu"; EXPECT=1 LEFT=1 NAMED=("pipe.dcu: Access is denied."); }
case_links_like_units() {
  unit a.dcu; echo outside >"$scratch/outside.txt"; ln -s "$scratch/outside.txt" "$KIT/file-link.dcu"
  mkdir "$scratch/outdir"; ln -s "$scratch/outdir" "$KIT/dir-link.dcu"; EXPECT=0
}
case_dangling_link() { unit a.dcu; ln -s "$scratch/nowhere" "$KIT/dangling.dcu"; EXPECT=1 LEFT=1; }
# Names Windows forbids are left, named; the others install.
case_unusual_names() {
  unit 'with blank.dcu'; unit $'tab\there.dcu'; unit 'Ünïcødé Модуль.dcu'; unit '-leading.dcu'
  unit 'back\slash.dcu'; unit '"quoted".dcu'; unit 'UPPER.DCU'; unit '.dcu'
  local why; why="$(text reason_name_holds_path)"
  EXPECT=1 LEFT=3 NAMED=("back\slash.dcu: $why" "\"quoted\".dcu: $why" $'tab\there.dcu: '"$why")
}
case_empty_and_large_units() {
  : >"$KIT/empty.dcu"; head -c $((128 * 1024 * 1024)) /dev/urandom >"$KIT/large.dcu"; EXPECT=0
}
# Many units, under a descriptor limit that a leak of one a unit would hit,
# through each of the stand-in's ways of copying.
many_units() { for i in $(seq 1 5000); do printf 'unit %d' "$i" >"$KIT/u$i.dcu"; done; EXPECT=0; }
case_many_units() { many_units; }
case_many_units_read_write() { many_units; RUN_ENV=(KALVO_STANDIN_COPY=readwrite); }

CASES=(workdir_fits_staging workdir_too_long_for_staging workdir_one_past workdir_far_past
  target_one_past read_only_source read_only_target lib_is_a_file non_ascii_unit_left
  lib_links_to_kit lib_holds_links_to_units staging_name_is_a_link staging_name_is_read_only
  staging_name_is_a_folder staging_name_in_kit stale_staging_files folder_like_unit fifo_like_unit
  links_like_units dangling_link unusual_names empty_and_large_units many_units
  many_units_read_write)

# Every entry under $1 that is no unit: path, type, mode, link target, and
# the checksum of each file. A run must leave each as it was.
others() {
  (cd "$1" && find . -iname '*.dcu' -prune -o -printf '%p %y %m %l\n' &&
    find . -iname '*.dcu' -prune -o -type f -print0 | xargs -0 -r sha1sum) | sort
}

# Renames the kit's entries named STAGING to the staging name of the
# process it then becomes, records that process id in $0, and starts the
# installer; after the run, unstage puts them back.
start_installer='for p in STAGING LIB/STAGING; do
  if [ -e "$p" ] || [ -L "$p" ]; then mv -T "$p" "${p%STAGING}~kalvo-$$.tmp"; fi
done; echo $$ >"$0"; exec "$@"'
unstage() {
  local p staged pid; pid="$(cat "$1")"
  for p in STAGING LIB/STAGING; do
    staged="$KIT/${p%STAGING}~kalvo-$pid.tmp"
    if [ -e "$staged" ] || [ -L "$staged" ]; then mv -T "$staged" "$KIT/$p"; fi
  done
}

failures=0
ulimit -n 1024
for CASE in "${CASES[@]}"; do
  KIT="$scratch/$CASE/kit"; mkdir -p "$KIT"; EXPECT=0 LEFT=0 NAMED=() RUN_ENV=()
  "case_$CASE"
  sums="$scratch/$CASE.sums"; record_units "$KIT" "$sums"; record_units "$KIT/LIB" "$sums.lib"
  lib_before=$([ -e "$KIT/LIB" ] && echo yes || echo no)
  others "$scratch/$CASE" >"$scratch/$CASE.others"
  message="$(cd "$KIT" &&
    env "${RUN_ENV[@]}" timeout 120 bash -c "$start_installer" "$scratch/$CASE.pid" "$installer")"
  status=$?
  unstage "$scratch/$CASE.pid"
  problems=()
  changed="$(comm -23 "$scratch/$CASE.others" <(others "$scratch/$CASE"))"
  [ -z "$changed" ] || problems+=("changed or removed: $changed")
  units_intact "$KIT" "$sums" "$sums.lib" >"$scratch/damage" || problems+=("$(cat "$scratch/damage")")
  [ "$status" = "$EXPECT" ] || problems+=("exit status $status, expected $EXPECT")
  staging=$(find "$KIT/LIB" -maxdepth 1 -name '~kalvo-*' ! -name '~kalvo-1.tmp' 2>/dev/null | wc -l)
  [ "$staging" = 0 ] || problems+=("$staging staging files left in LIB")
  case "$status" in
    0) [ "$message" = "install: $(text installed)" ] || problems+=("message: $message")
       [ "$(units_not_in_lib "$KIT" "$sums")" = 0 ] || problems+=("success with units not in LIB") ;;
    1) [ "$(head -1 <<<"$message")" = "install: $(left_line "$LEFT")" ] ||
         problems+=("first line: $(head -1 <<<"$message")")
       named=$((LEFT < 5 ? LEFT : 5)); more=$((LEFT - named))
       [ "$(sed -n '2,$p' <<<"$message" | grep -c ': ')" = "$named" ] || problems+=("not $named units named: $message")
       [ "$more" = 0 ] || grep -qxF "$(text more_left "$more")" <<<"$message" || problems+=("no 'and $more more.': $message")
       for line in "${NAMED[@]}"; do grep -qxF "$line" <<<"$message" || problems+=("no line '$line': $message"); done ;;
    2) [[ "$message" == "install: KALVO was not installed: "* ]] || problems+=("message: $message")
       [ "$lib_before" = yes ] || [ ! -e "$KIT/LIB" ] || problems+=("LIB created although not installed")
       [ "$(units_not_in_lib "$KIT" "$sums")" = "$(wc -l <"$sums")" ] || problems+=("units moved although not installed") ;;
  esac
  if [ "${#problems[@]}" -eq 0 ]; then echo "ok    $CASE (0 lost)"
  else failures=$((failures + 1)); echo "FAIL  $CASE"; printf '      %s\n' "${problems[@]}"; fi
done
echo "hostile inputs: ${#CASES[@]} cases, $failures failed"
[ "$failures" -eq 0 ]
