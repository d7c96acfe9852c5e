#!/usr/bin/env bash
# Installs what `make test`, `make deliverables` and scripts/cross-check.sh
# need: CMake, Ninja, GoogleTest, the Debian cross compilers, qemu-user and
# wine. Skips what is already there. A package list that cannot be fetched
# (a mirror mid-sync) is not fatal; only a needed package that cannot be
# installed is, with one line naming it.
set -uo pipefail

required=(ninja-build cmake g++ libgtest-dev
  g++-arm-linux-gnueabihf g++-arm-linux-gnueabi
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  qemu-user wine wine64)

sudo_=""
[ "$(id -u)" -eq 0 ] || sudo_=sudo
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

# A 91-byte i386 program that exits with status 0: it runs only where the
# kernel starts 32-bit x86 programs, and only there can wine's 32-bit half run.
runs_32bit_x86() {
  local probe status
  probe=$(mktemp) || return 1
  echo 'f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhbAAAAWwAAAAUAAAAAEAAAMdsxwEDNgA==' |
    base64 -d >"$probe" && chmod +x "$probe" && "$probe" 2>/dev/null
  status=$?
  rm -f "$probe"
  return $status
}

optional=()
if [ "$(uname -m)" = x86_64 ] && runs_32bit_x86; then
  optional+=(wine32:i386)
else
  echo "install-toolchains: this machine cannot start 32-bit x86 programs; wine32 skipped, kerv-win32.exe will not be run"
fi

missing=() missing_optional=()
for p in "${required[@]}"; do installed "$p" || missing+=("$p"); done
for p in "${optional[@]}"; do installed "$p" || missing_optional+=("$p"); done
[ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ] && exit 0

if [ ${#missing_optional[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo_ dpkg --add-architecture i386
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
reason() { grep -m 1 '^E:' "$log"; }

# A list whose mirror is mid-sync fails to fetch; the others still arrive.
for attempt in 1 2 3; do
  $sudo_ apt-get update -qq >"$log" 2>&1 && break
  if [ $attempt -eq 3 ]; then
    echo "install-toolchains: going on with the package lists that could be fetched: $(reason)"
  else
    sleep 10
  fi
done

apt_install() { $sudo_ apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1; }

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  # One by one only when the whole set fails, to name the package at fault.
  if ! apt_install "${missing[@]}"; then
    for p in "${missing[@]}"; do
      installed "$p" || apt_install "$p" || {
        echo "install-toolchains: cannot install $p, which the build or the cross check needs: $(reason)"
        exit 1
      }
    done
  fi
fi
for p in "${missing_optional[@]}"; do
  echo "installing: $p"
  apt_install "$p" || echo "install-toolchains: cannot install $p; kerv-win32.exe will not be run: $(reason)"
done
exit 0
