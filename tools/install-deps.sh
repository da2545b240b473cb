#!/usr/bin/env bash
# Installs, from Debian's archive, whatever this machine lacks of what the project builds and tests
# with. Safe to run repeatedly: it installs only missing packages and touches nothing else.
set -euo pipefail

packages=(
  build-essential cmake git python3 xxd clang-format
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  openjdk-17-jdk-headless
  # The desktop test: a runtime with AWT for X11, an X server without a screen, and ImageMagick's
  # import and convert, which take its screenshots and read their pixels.
  openjdk-17-jdk xvfb imagemagick
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
  python3-pefile osslsigncode openssl
  # The build-host tools take SHA-256 and AES from OpenSSL's libcrypto.
  libssl-dev
  # 32-bit targets: Linux programs (-m32), run natively (against Debian's 32-bit JVM) or under
  # qemu-i386 where the kernel cannot execute 32-bit code; Windows programs under 32-bit wine.
  g++-multilib libbenchmark-dev:i386 qemu-user
  openjdk-17-jre-headless:i386 wine32:i386
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_if_needed dpkg --add-architecture i386
fi
sudo_if_needed apt-get update -qq
sudo_if_needed apt-get install -y -qq --no-install-recommends "${missing[@]}"
