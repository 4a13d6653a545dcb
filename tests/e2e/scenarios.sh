# The scenarios, run in the kit folder by every runner. Where the builds
# differ by nature, the scenario says so by asking $RUNNER.
SCENARIOS=(basic_move lib_with_newer_unit empty_kit_and_second_run folder_named_like_unit
  read_only_unit lib_is_a_file lib_links_back_to_kit arguments cyrillic_name longer_extension)

scenario_basic_move() {
  put a.dcu A; put B.DCU B; put c.dcu C; put readme.txt R; put sub/s.dcu S
  touch -d '2021-03-04 05:06:07' a.dcu; local mtime; mtime=$(stat -c %Y a.dcu)
  install_expect 0 "$OK_TEXT"
  caption_is "$PROGRAM_CAPTION"
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

# The copy succeeds and carries the read-only attribute; the source cannot be
# deleted and stays. The unit counts as installed.
scenario_read_only_unit() {
  put ro.dcu RO; chmod 444 ro.dcu
  install_expect 0 "$OK_TEXT"
  has ro.dcu RO; has LIB/ro.dcu RO
  done_checks
}

scenario_lib_is_a_file() {
  put LIB "a file"; put a.dcu A; put b.dcu B
  install_expect 1 "$(left_text 2)"
  has LIB "a file"; has a.dcu A; has b.dcu B
  done_checks
}

# LIB points back at the kit: every copy would be onto itself and must fail.
scenario_lib_links_back_to_kit() {
  ln -s . LIB; put a.dcu A
  install_expect 1 "$(left_text 1)"
  has a.dcu A
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
