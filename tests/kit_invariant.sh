# The invariant of every run, whatever happened to it: each unit that was in
# the kit is whole in the kit or in LIB under its own name, and no unit's
# name in LIB holds anything but a whole unit. (Sourced.)
#
#   record_units KIT SUMS   writes the checksum of each unit of KIT to SUMS
#   units_intact KIT SUMS [LIB_SUMS]   prints each unit that is lost, and,
#                           given what LIB held before (recorded the same
#                           way), each name in LIB that holds neither its
#                           unit nor what it held before; fails on any
#   units_not_in_lib KIT SUMS   prints how many units are not whole in LIB

unit_sums() {  # "<sha1>  <name>" for every regular file named like a unit in $1
  (cd "$1" && find . -maxdepth 1 -iname '*.dcu' -type f -print0 | sed -z 's|^\./||' |
    xargs -0 -r sha1sum) 2>/dev/null
}

record_units() { unit_sums "$1" >"$2"; }

units_intact() {
  local kit="$1" sums="$2" before="${3:-}"
  awk -v strict="${before:+yes}" -v beforefile="${before:-/dev/null}" \
    -v kitfile=<(unit_sums "$kit") -v libfile=<(unit_sums "$kit/LIB") '
    BEGIN {
      while ((getline line < kitfile) > 0) kit[substr(line, 43)] = substr(line, 1, 40)
      while ((getline line < libfile) > 0) lib[substr(line, 43)] = substr(line, 1, 40)
      while ((getline line < beforefile) > 0) old[substr(line, 43)] = substr(line, 1, 40)
    }
    { want[substr($0, 43)] = substr($0, 1, 40) }
    END {
      bad = 0
      for (name in want) {
        if (kit[name] != want[name] && lib[name] != want[name]) { print "  LOST: " name; bad++ }
        else if (strict && (name in lib) && lib[name] != want[name] && lib[name] != old[name]) {
          print "  PARTLY WRITTEN in LIB: " name; bad++
        }
      }
      exit bad > 0
    }' "$sums"
}

units_not_in_lib() {
  local kit="$1" sums="$2"
  awk -v libfile=<(unit_sums "$kit/LIB") '
    BEGIN { while ((getline line < libfile) > 0) lib[substr(line, 43)] = substr(line, 1, 40) }
    lib[substr($0, 43)] != substr($0, 1, 40) { n++ }
    END { print n + 0 }' "$sums"
}
