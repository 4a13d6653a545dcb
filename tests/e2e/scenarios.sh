# The scenarios, run in the kit folder by every runner. Where the builds
# differ by nature, the scenario says so by asking $RUNNER.
SCENARIOS=(basic_move lib_with_newer_unit empty_kit_and_second_run folder_named_like_unit
  read_only_unit read_only_namesake lib_is_a_file lib_links_back_to_kit arguments cyrillic_name
  longer_extension names_paths_cannot_reach names_differing_in_case names_that_hold_paths
  device_names unit_linked_to_proc_file link_under_staging_name disk_full_during_replacement
  killed_during_replacement two_runs_at_once)
# For the exe whose manifest does not ask for UTF-8, which runs in the
# system's legacy code page (Windows before 10 1903).
LEGACY_SCENARIOS=(basic_move legacy_code_page legacy_code_page_folder)
RENAME_THEM="$(text remedy_rename)"

scenario_basic_move() {
  put a.dcu A; put B.DCU B; put c.dcu C; put readme.txt R; put sub/s.dcu S
  touch -d '2021-03-04 05:06:07' a.dcu; local mtime; mtime=$(stat -c %Y a.dcu)
  install_expect 0 "$OK_TEXT"
  caption_is "$PROGRAM_CAPTION"
  # Four file calls a writable unit; three looks for a free staging name
  # and for LIB being the kit.
  # In a legacy code page the search reads names in UTF-16.
  local search=A; [ "${E2E_CODE_PAGE:-}" = legacy ] && search=W
  file_calls_are "CopyFileA=3 DeleteFileA=3 FindFirstFile$search=1 FindNextFile$search=3 GetFileAttributesA=3 MoveFileExA=3"
  has LIB/a.dcu A; has LIB/B.DCU B; has LIB/c.dcu C; gone a.dcu; gone B.DCU; gone c.dcu
  has readme.txt R; has sub/s.dcu S; gone LIB/readme.txt; same_mtime LIB/a.dcu "$mtime"
  done_checks
}

scenario_lib_with_newer_unit() {
  put a.dcu kit; put LIB/a.dcu newer; put LIB/keep.txt K
  touch -d '2001-01-01' a.dcu; touch -d '2035-01-01' LIB/a.dcu
  install_expect 0 "$OK_TEXT"
  has LIB/a.dcu kit; has LIB/keep.txt K; gone a.dcu
  done_checks
}

scenario_empty_kit_and_second_run() {
  put notes.txt N
  install_expect 0 "$OK_TEXT"; is_dir LIB
  put a.dcu A
  install_expect 0 "$OK_TEXT"; install_expect 0 "$OK_TEXT"
  has LIB/a.dcu A; gone a.dcu; has notes.txt N
  done_checks
}

scenario_folder_named_like_unit() {
  put odd.dcu/inner.dcu I; put a.dcu A
  install_expect 0 "$OK_TEXT"
  has odd.dcu/inner.dcu I; has LIB/a.dcu A; gone LIB/odd.dcu
  done_checks
}

# A read-only unit stays in the kit (it cannot be deleted) but counts as
# installed; its copy in LIB is writable, so the same unit installs again,
# and a new version of it replaces the copy.
scenario_read_only_unit() {
  put ro.dcu RO; chmod 444 ro.dcu
  install_expect 0 "$OK_TEXT"
  has ro.dcu RO; has LIB/ro.dcu RO
  [ -w LIB/ro.dcu ] || [ "$(stat -c %a LIB/ro.dcu)" != 444 ] || fail "the copy in LIB is read-only"
  install_expect 0 "$OK_TEXT"
  chmod 644 ro.dcu; put ro.dcu "RO 2"; chmod 444 ro.dcu
  install_expect 0 "$OK_TEXT"
  has LIB/ro.dcu "RO 2"; no_staging
  done_checks
}

# Differs by nature: Windows refuses to replace a read-only file in LIB, and
# that unit is left and named; Wine replaces it, whoever runs it.
scenario_read_only_namesake() {
  put t.dcu new; put u.dcu U; put LIB/t.dcu old; chmod 444 LIB/t.dcu
  run_installer
  if [ "$READ_ONLY_TARGETS_REFUSED" = yes ]; then
    REASON="Access is denied." names_left 1 t.dcu
    has t.dcu new; has LIB/t.dcu old
  else
    [ "$STATUS" = 0 ] || fail "exit status $STATUS"; has LIB/t.dcu new
  fi
  has LIB/u.dcu U; gone u.dcu; no_staging
  done_checks
}

scenario_lib_is_a_file() {
  put LIB "a file"; put a.dcu A; put b.dcu B
  run_installer
  names_left 2 a.dcu b.dcu
  says "$(text remedy_lib)"
  has LIB "a file"; has a.dcu A; has b.dcu B
  done_checks
}

# LIB points back at the kit: a copy renamed over its target would replace
# its own source. The program finds out before it moves anything.
scenario_lib_links_back_to_kit() {
  ln -s . LIB; put a.dcu A; put b.dcu B
  run_installer
  REASON="$(text reason_target_is_source)" names_left 2 a.dcu b.dcu
  has a.dcu A; has b.dcu B; no_staging .
  done_checks
}

# Arguments change nothing that is moved; only the caption follows them.
scenario_arguments() {
  put a.dcu A
  install_expect 0 "$OK_TEXT" /q
  caption_is "$ARGUMENT_CAPTION"
  has LIB/a.dcu A; gone a.dcu
  done_checks
}

scenario_cyrillic_name() {
  put 'Модуль.dcu' M
  install_expect 0 "$OK_TEXT"
  has 'LIB/Модуль.dcu' M; gone 'Модуль.dcu'
  done_checks
}

# Differs by nature: Win32 also matches a pattern against a file's 8.3 short
# name, and the short name of "b.dcux" ends in ".DCU", so Windows moves it;
# the stand-in has no short names and leaves it.
scenario_longer_extension() {
  put a.dcu A; put b.dcux X
  install_expect 0 "$OK_TEXT"
  has LIB/a.dcu A
  if [ "$SHORT_NAMES_MATCH" = yes ]; then has LIB/b.dcux X; gone b.dcux; else has b.dcux X; gone LIB/b.dcux; fi
  done_checks
}

# Differs by nature: Win32 paths drop a trailing dot or space, so Windows
# finds these names (through their short names) but cannot reach them: they
# are left and named, and bar.dcu beside them keeps its own content. The
# stand-in's search does not match them at all.
scenario_names_paths_cannot_reach() {
  put bar.dcu A; put 'bar.dcu ' space; put foo.dcu. dot; put LIB/foo.dcu old
  run_installer
  if [ "$SHORT_NAMES_MATCH" = yes ]; then
    REASON="$(text reason_name_unreachable)" \
      names_left 2 'bar.dcu ' foo.dcu.
  else
    [ "$STATUS" = 0 ] || fail "exit status $STATUS"
  fi
  has LIB/bar.dcu A; gone bar.dcu; has 'bar.dcu ' space; has foo.dcu. dot; has LIB/foo.dcu old
  gone 'LIB/bar.dcu '; gone LIB/foo.dcu.
  done_checks
}

# A kit on a case-sensitive folder holds names that LIB, like any Windows
# folder, takes for one: one of each goes to LIB, the others stay, named.
scenario_names_differing_in_case() {
  local name left=()
  for name in A.dcu a.dcu Unit.dcu UNIT.DCU unit.Dcu É.dcu é.dcu Ж.dcu ж.dcu; do put "$name" "$name"; done
  run_installer
  for name in A.dcu a.dcu Unit.dcu UNIT.DCU unit.Dcu É.dcu é.dcu Ж.dcu ж.dcu; do [ -f "$name" ] && left+=("$name"); done
  REASON="$(text reason_name_taken)" \
    names_left 5 "${left[@]}"
  one_in_lib A.dcu a.dcu; one_in_lib Unit.dcu UNIT.DCU unit.Dcu; one_in_lib É.dcu é.dcu; one_in_lib Ж.dcu ж.dcu
  says "$RENAME_THEM"
  done_checks
}

# Names that a path would read as a path, or that are no valid text (Wine
# reads both of these as U+FFFD.dcu): left and named, and nothing outside
# the kit or in LIB's subfolders touched.
scenario_names_that_hold_paths() {
  put ../v.dcu outside; put LIB/sub/x.dcu inner; put plain.dcu P
  put '..\v.dcu' up; put 'sub\x.dcu' sub; put c:o.dcu colon; put $'\xc4.dcu' c4; put $'\xd6.dcu' d6
  run_installer
  local invalid=($'\xc4.dcu' $'\xd6.dcu') name
  [ "$INVALID_UTF8_READ_AS_FFFD" = yes ] && invalid=($'\xef\xbf\xbd.dcu' $'\xef\xbf\xbd.dcu')
  names_left 5 '..\v.dcu' 'sub\x.dcu' c:o.dcu "${invalid[@]}"
  for name in '..\v.dcu' 'sub\x.dcu' c:o.dcu; do
    says "$name: $(text reason_name_holds_path)"
  done
  says "${invalid[0]}: $(text reason_name_not_exact)"
  has ../v.dcu outside; gone v.dcu; has LIB/sub/x.dcu inner; has LIB/plain.dcu P
  has '..\v.dcu' up; has 'sub\x.dcu' sub; has c:o.dcu colon; has $'\xc4.dcu' c4; has $'\xd6.dcu' d6
  says "$RENAME_THEM"
  done_checks
}

# Windows keeps these names for devices, whatever the extension.
scenario_device_names() {
  local name devices=(nul.dcu con.dcu AUX.dcu com1.dcu lpt1.dcu)
  for name in "${devices[@]}"; do put "$name" "$name"; done
  put plain.dcu P
  run_installer
  REASON="$(text reason_device_name)" names_left 5 "${devices[@]}"
  for name in "${devices[@]}"; do has "$name" "$name"; gone "LIB/$name"; done
  has LIB/plain.dcu P; gone plain.dcu; says "$RENAME_THEM"
  done_checks
}

# A file whose size reads as 0 though it holds text is copied whole.
scenario_unit_linked_to_proc_file() {
  ln -s /proc/version v.dcu
  install_expect 0 "$OK_TEXT"
  has LIB/v.dcu "$(cat /proc/version)"
  done_checks
}

# In a legacy code page, names it cannot hold are read as look-alikes
# (a fullwidth p as "p", a fullwidth backslash as "\"): those units are
# left and named, never taken for the look-alike; names it holds install.
scenario_legacy_code_page() {
  put ../evil.dcu outside; put plain.dcu P; put ｐlain.dcu fullwidth; put '..＼evil.dcu' up
  put É.dcu É.dcu; put é.dcu é.dcu; put ü.dcu U
  run_installer
  local twin=É.dcu; [ -f é.dcu ] && twin=é.dcu
  names_left 3 '?lain.dcu' '..?evil.dcu' "$twin"
  says "?lain.dcu: $(text reason_name_not_exact)"
  has LIB/plain.dcu P; has LIB/ü.dcu U; has ｐlain.dcu fullwidth; has '..＼evil.dcu' up
  has ../evil.dcu outside; gone evil.dcu; one_in_lib É.dcu é.dcu
  done_checks
}

# A kit folder whose name the legacy code page cannot hold, beside the
# folder its look-alike names: nothing is touched in either.
scenario_legacy_code_page_folder() {
  put ../a/u.dcu other; put ../ā/u.dcu U
  cd ../ā || return 1
  run_installer
  [ "$STATUS" = 2 ] || fail "exit status $STATUS, expected 2"
  [ "$TEXT" = "$(text work_dir_not_exact)" ] ||
    fail "text '$TEXT'"
  has u.dcu U; gone LIB; has ../a/u.dcu other; gone ../a/LIB
  done_checks
}

# A link under the run's own staging name points at a read-only file
# outside LIB: the run takes another name, and the link, the file and its
# read-only attribute stay as they were.
scenario_link_under_staging_name() {
  local outside link; outside="$(realpath ..)/outside"
  put "$outside" outside; chmod 444 "$outside"; mkdir LIB; put a.dcu A
  STAGING_LINK="$outside" install_expect 0 "$OK_TEXT"
  link="LIB/~kalvo-$RUN_PID.tmp"
  [ -L "$link" ] && [ "$(readlink "$link")" = "$outside" ] || fail "$link is not the link it was"
  has "$outside" outside; [ "$(stat -c %a "$outside")" = 444 ] || fail "$outside lost its read-only mode"
  has LIB/a.dcu A; gone a.dcu
  no_staging
  done_checks
}

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
