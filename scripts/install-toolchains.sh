#!/usr/bin/env bash
# Installs what `make deliverables` and scripts/cross-check.sh need: the
# Debian cross compilers, qemu-user and wine. Skips what is already there.
set -euo pipefail

packages=(ninja-build cmake g++
  g++-arm-linux-gnueabihf g++-arm-linux-gnueabi
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  qemu-user wine wine64)

sudo_=""
[ "$(id -u)" -eq 0 ] || sudo_=sudo

# The 32-bit Windows build runs under wine's i386 half.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo_ dpkg --add-architecture i386
fi
packages+=(wine32:i386)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
$sudo_ apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo_ apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
