# The installer's texts by key, for shell tests (sourced). texts_load runs
# build/host/print_texts (or $KALVO_PRINT_TEXTS) once.
#   text KEY [COUNT]   the text of KEY, with COUNT where it says {n}
#   left_line COUNT    the first line of a box that says COUNT units were left
texts_load() {
  local tool="${KALVO_PRINT_TEXTS:-$(dirname "${BASH_SOURCE[0]}")/../build/host/print_texts}"
  TEXTS_TABLE="$("$tool")" || { echo "cannot run $tool (cmake --build --preset host)"; return 1; }
}
text() {
  local found
  found="$(awk -F'\t' -v key="$1" '$1 == key { print $2 }' <<<"$TEXTS_TABLE")"
  [ -n "$found" ] || { echo "no text with the key $1" >&2; return 1; }
  printf '%s' "${found//\{n\}/${2:-}}"
}
left_line() { if [ "$1" = 1 ]; then text left_one 1; else text left_many "$1"; fi; }
