#!/usr/bin/env bash
# Installs what the project needs on a Debian 12 machine, and nothing that is
# already there. Safe to run any number of times.
#
#   scripts/setup.sh host     compiler, CMake, GoogleTest (the host build and its tests)
#   scripts/setup.sh win32    + mingw-w64 i686, Wine (32-bit), Xvfb, xdotool
#   scripts/setup.sh extra    + clang's fuzzer runtime, rsync, strace, GNU time
#   scripts/setup.sh all      everything above
#   scripts/setup.sh docs     + a window manager and ImageMagick, for screenshots
set -euo pipefail

want="${1:-host}"
host_pkgs=(cmake g++ make libgtest-dev libgmock-dev)
win32_pkgs=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 wine64 xvfb xdotool x11-utils)
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
enable_i386_binaries() {
  local probe=/usr/lib/wine/wine
  [ -x "$probe" ] || return 0
  "$probe" --version >/dev/null 2>&1 && return 0
  install_pkgs qemu-user-static
  local binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || sudo_ mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ ! -e "$binfmt/qemu-i386" ]; then
    echo "setup: running i386 binaries through qemu-i386-static"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
      sudo_ tee "$binfmt/register" >/dev/null
  fi
  "$probe" --version >/dev/null 2>&1 || { echo "setup: cannot run i386 binaries" >&2; return 1; }
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
fi
if [ "$want" = extra ] || [ "$want" = all ]; then
  install_pkgs "${extra_pkgs[@]}"
fi
if [ "$want" = docs ]; then
  install_pkgs "${docs_pkgs[@]}"
fi
