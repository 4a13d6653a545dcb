#!/usr/bin/env bash
# Installs what the project needs on a Debian 12 machine, and nothing that is
# already there. Safe to run any number of times.
#
#   scripts/setup.sh host     compiler, CMake, GoogleTest (the host build and its tests)
#   scripts/setup.sh win32    + mingw-w64 i686, Wine (32-bit), Xvfb, xdotool, osslsigncode,
#                               the ja_JP.UTF-8 locale
#   scripts/setup.sh extra    + clang's fuzzer runtime, rsync, strace, GNU time
#   scripts/setup.sh all      everything above
#   scripts/setup.sh docs     + a window manager and ImageMagick, for screenshots
set -euo pipefail

want="${1:-host}"
host_pkgs=(cmake g++ make libgtest-dev libgmock-dev)
win32_pkgs=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 wine64 xvfb xdotool x11-utils
  osslsigncode openssl locales)
extra_pkgs=(clang libclang-rt-14-dev rsync strace time valgrind)
docs_pkgs=(twm xfonts-base x11-xserver-utils imagemagick)

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

pin=/etc/apt/preferences.d/kalvo-setup-security-pin
trap 'sudo_ rm -f "$pin"' EXIT

updated=0
apt_update() {
  [ "$updated" -eq 1 ] && return 0
  # The security suite's i386 index can lag behind and make the update exit
  # 100 although everything else loaded; that is dealt with at install time.
  sudo_ apt-get update -qq >/dev/null 2>&1 || echo "setup: apt-get update reported an error; going on" >&2
  updated=1
}

apt_install() {  # logs to $1, installs the rest
  local log="$1"; shift
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "$@" >"$log" 2>&1
}

install_pkgs() {
  local todo log
  mapfile -t todo < <(missing "$@")
  [ "${#todo[@]}" -eq 0 ] && return 0
  echo "setup: installing ${todo[*]}"
  apt_update
  log="$(mktemp)"
  if ! apt_install "$log" "${todo[@]}"; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      cat "$log" >&2; rm -f "$log"; return 1
    fi
    # With the i386 security index missing, i386 and amd64 builds of shared
    # libraries can be out of step; preferring the main suite for this one
    # install lets both architectures resolve to the same versions.
    echo "setup: retrying with the security suite's priority lowered"
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' | sudo_ tee "$pin" >/dev/null
    apt_install "$log" "${todo[@]}" || { cat "$log" >&2; rm -f "$log"; return 1; }
    sudo_ rm -f "$pin"
  fi
  rm -f "$log"
}

# Wine runs a 32-bit program through 32-bit Linux binaries. Where the kernel
# has its 32-bit emulation switched off, qemu's user mode runs them instead.
# It must be a recent qemu (9 or later): before 8.1, qemu refuses every
# MAP_FIXED_NOREPLACE mapping, and Wine's start-up then probes the whole
# 32-bit address space 64 KiB at a time, which takes about a minute per
# process instead of a fraction of a second. bookworm has 7.2, so qemu comes
# from bookworm-backports.
backports=/etc/apt/sources.list.d/kalvo-bookworm-backports.list
qemu=/usr/bin/qemu-i386

qemu_is_recent() {
  local major
  major="$("$qemu" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p')"
  [ -n "$major" ] && [ "$major" -ge 9 ]
}

install_recent_qemu() {
  qemu_is_recent && return 0
  if [ ! -f "$backports" ]; then
    echo "deb http://deb.debian.org/debian bookworm-backports main" | sudo_ tee "$backports" >/dev/null
    updated=0
  fi
  apt_update
  echo "setup: installing qemu-user from bookworm-backports"
  local log; log="$(mktemp)"
  apt_install "$log" -t bookworm-backports qemu-user || { cat "$log" >&2; rm -f "$log"; return 1; }
  rm -f "$log"
  qemu_is_recent || { echo "setup: $qemu is not qemu 9 or later" >&2; return 1; }
}

enable_i386_binaries() {
  local probe=/usr/lib/wine/wine
  [ -x "$probe" ] || return 0
  local binfmt=/proc/sys/fs/binfmt_misc entry=/proc/sys/fs/binfmt_misc/qemu-i386
  # Natively, or through a recent qemu already registered: nothing to do.
  if "$probe" --version >/dev/null 2>&1; then
    [ -e "$entry" ] || return 0
    grep -qx "interpreter $qemu" "$entry" && qemu_is_recent && return 0
  fi
  install_recent_qemu
  [ -e "$binfmt/register" ] || sudo_ mount -t binfmt_misc binfmt_misc "$binfmt"
  # An entry for another interpreter (an older qemu) is replaced.
  if [ -e "$entry" ] && ! grep -qx "interpreter $qemu" "$entry"; then
    echo -1 | sudo_ tee "$entry" >/dev/null
  fi
  if [ ! -e "$entry" ]; then
    echo "setup: running i386 binaries through $qemu"
    printf '%s' ":qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$qemu:F" |
      sudo_ tee "$binfmt/register" >/dev/null
  fi
  "$probe" --version >/dev/null 2>&1 || { echo "setup: cannot run i386 binaries" >&2; return 1; }
}

# Wine runs a program in code page 932 under a Japanese locale, and reads
# the system's file names as UTF-8 only when that locale exists.
japanese_locale() {
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
  echo "setup: generating the ja_JP.UTF-8 locale"
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
    echo 'ja_JP.UTF-8 UTF-8' | sudo_ tee -a /etc/locale.gen >/dev/null
  sudo_ locale-gen >/dev/null
}

case "$want" in
  host | win32 | extra | all | docs) ;;
  *) echo "usage: $0 [host|win32|extra|all|docs]" >&2; exit 2 ;;
esac

install_pkgs "${host_pkgs[@]}"
if [ "$want" = win32 ] || [ "$want" = all ] || [ "$want" = docs ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    sudo_ dpkg --add-architecture i386
    updated=0
  fi
  install_pkgs "${win32_pkgs[@]}"
  enable_i386_binaries
  japanese_locale
fi
if [ "$want" = extra ] || [ "$want" = all ]; then
  install_pkgs "${extra_pkgs[@]}"
fi
if [ "$want" = docs ]; then
  install_pkgs "${docs_pkgs[@]}"
fi
