#!/usr/bin/env bash
# Installs what the build and the tests need, and nothing when all of it is
# already there (one dpkg query), so `make run` and `make test` stay quick.
set -euo pipefail

NATIVE_PKGS=(cmake ninja-build g++ make pkg-config zlib1g-dev libfreetype-dev libssl-dev
  fonts-liberation googletest libgtest-dev imagemagick curl python3 valgrind openssl)
# Wine's Schannel does its TLS through the 32-bit GnuTLS library.
WINDOWS_PKGS=(g++-mingw-w64-i686 libz-mingw-w64-dev wine wine32:i386 libgnutls30:i386 xvfb xauth)
# Only `make fuzz` needs clang's libFuzzer runtime; it sets DEPS_FUZZ=1.
FUZZ_PKGS=()
if [ "${DEPS_FUZZ:-0}" = 1 ]; then FUZZ_PKGS=(clang libclang-rt-dev); fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${NATIVE_PKGS[@]}" "${WINDOWS_PKGS[@]}" "${FUZZ_PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
