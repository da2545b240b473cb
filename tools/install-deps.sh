#!/usr/bin/env bash
# Installs, from Debian's archive, whatever this machine lacks of what the project builds and tests
# with. Safe to run repeatedly: it installs only missing packages and touches nothing else.
#
# No package name here belongs to one Debian release: the parts whose names carry a version (the
# JDK, the compiler runtime of clang) are asked of the archive this machine uses. A part the
# release does not carry at all is reported and left out; the tests that need it then report
# themselves skipped with the reason, and everything else is installed.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive
sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# Packages whose names every release since Debian 12 shares.
common=(
  build-essential cmake git python3 xxd clang
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # The desktop test: an X server without a screen, and ImageMagick's import and convert, which take
  # its screenshots and read their pixels.
  xvfb imagemagick
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
  python3-pefile osslsigncode openssl
  # The installer: wixl builds MSI packages, msiinfo (msitools) reads them, lnkinfo reads the
  # shortcuts they install.
  wixl msitools liblnk-utils
  # The build-host tools take SHA-256 and AES from OpenSSL's libcrypto.
  libssl-dev
  # 32-bit targets: Linux programs (-m32), run natively (against Debian's 32-bit JVM) or under
  # qemu-i386 where the kernel cannot execute 32-bit code; Windows programs under 32-bit wine.
  g++-multilib libbenchmark-dev:i386 qemu-user wine32:i386
  # The one formatter version the sources are checked with (tools/check-format.sh).
  "$(bash "$(dirname "$0")/check-format.sh" --package)"
)

# The installed packages, read once per resolve(): one dpkg-query per package costs seconds.
native_arch=$(dpkg --print-architecture)
declare -A present=()
read_installed() {
  present=()
  local name status
  while IFS=$'\t' read -r name status; do
    if [ "$status" = "install ok installed" ]; then present[$name]=1; fi
  done < <(dpkg-query -W -f='${binary:Package}\t${Status}\n' 2>/dev/null)
}
installed() { [ -n "${present[$1]:-}" ] || [ -n "${present[$1:$native_arch]:-}" ]; }
# True iff the archive, as this machine's package lists know it, offers `package`.
offered() {
  local candidate
  candidate=$(apt-cache policy "$1" 2>/dev/null | sed -n 's/^ *Candidate: *//p')
  [ -n "$candidate" ] && [ "$candidate" != "(none)" ]
}
# The feature releases N of the openjdk-N-<kind> packages the lists offer for `arch`, newest first.
jdk_releases() {
  local kind=$1 arch=$2 n
  apt-cache pkgnames openjdk- 2>/dev/null | sed -nE "s/^openjdk-([0-9]+)-$kind$/\1/p" |
    sort -rnu | while read -r n; do
      if offered "openjdk-$n-$kind:$arch"; then echo "$n"; fi
    done
}

# The feature releases N of the installed openjdk-N-<kind> packages (a sed -E pattern), newest
# first.
installed_releases() {
  printf '%s\n' "${!present[@]}" | sed -nE "s/^openjdk-([0-9]+)-$1$/\1/p" | sort -rnu
}

# Fills `packages` (to be present) and `lacking` (what the archive does not offer; each with what
# it is for) from the package lists.
resolve() {
  packages=() lacking=()
  local package n release
  read_installed
  for package in "${common[@]}"; do
    if installed "$package" || offered "$package"; then
      packages+=("$package")
    else
      lacking+=("$package")
    fi
  done

  # The JDK: one installed already (the newest), else the one the release's default-jdk stands
  # for, else the newest the archive has. The 64-bit one with AWT (the desktop test) and the 32-bit
  # runtime (the 32-bit JVM tests, whose client VM Debian's i386 runtime carries) of the same
  # release where both exist. The archive is asked only for what is not installed: apt-cache
  # takes seconds.
  release=$(installed_releases "jdk-headless(:$native_arch)?" | head -1)
  if [ -z "$release" ]; then
    release=$(apt-cache depends default-jdk-headless 2>/dev/null |
              sed -nE 's/^ *Depends: openjdk-([0-9]+)-jdk-headless.*/\1/p' | head -1)
    if [ -z "$release" ] || ! offered "openjdk-$release-jdk-headless"; then
      release=$(jdk_releases jdk-headless amd64 | head -1)
    fi
  fi
  if [ -n "$release" ]; then
    packages+=("openjdk-$release-jdk-headless")
    if installed "openjdk-$release-jdk" || offered "openjdk-$release-jdk"; then
      packages+=("openjdk-$release-jdk")
    else
      lacking+=("openjdk-$release-jdk (a Java runtime with AWT: the desktop test)")
    fi
  else
    lacking+=("openjdk-N-jdk-headless (a JDK: every JVM test and the demo)")
  fi
  n=$(installed_releases "jre-headless:i386" | head -1)
  if [ -z "$n" ] && [ -n "$release" ] && offered "openjdk-$release-jre-headless:i386"; then
    n=$release
  elif [ -z "$n" ]; then
    n=$(jdk_releases jre-headless i386 | head -1)
  fi
  if [ -n "$n" ]; then
    packages+=("openjdk-$n-jre-headless:i386")
  else
    lacking+=("openjdk-N-jre-headless:i386 (a 32-bit Java runtime: the 32-bit JVM tests)")
  fi

  # The sanitizers' and libFuzzer's runtime of the clang that compiles (`clang` is installed
  # above, so its own version when present, else the version the archive's clang stands for).
  n=""
  if command -v clang >/dev/null; then
    n=$(clang -dumpversion 2>/dev/null | cut -d. -f1)
  fi
  if [ -z "$n" ]; then
    n=$(apt-cache depends clang 2>/dev/null | sed -nE 's/^ *Depends: clang-([0-9]+)$/\1/p' | head -1)
  fi
  if [ -n "$n" ] && { installed "libclang-rt-$n-dev" || offered "libclang-rt-$n-dev"; }; then
    packages+=("libclang-rt-$n-dev")
  else
    lacking+=("libclang-rt-${n:-N}-dev (clang's runtime: the fuzz stage)")
  fi
}

missing() {
  local package
  for package in "${packages[@]}"; do
    if ! installed "$package"; then echo "$package"; fi
  done
}

# A mirror part-way through a sync serves some index files that fail their checksums; apt then
# keeps the lists it had (or none for that part) and exits non-zero. What the lists that did arrive
# offer is still installable, and apt-get install reports whatever cannot be, so a failed update
# warns and the installation goes on.
update_lists() {
  if ! sudo_if_needed apt-get update -qq; then
    echo "install-deps.sh: warning: some package lists could not be updated; installing from" \
         "the lists at hand" >&2
  fi
}

# Installs the packages named. Where apt cannot install them together (lists that disagree, as when
# one architecture's security list failed to arrive and its libraries' versions no longer match
# the installed ones of the other), each is tried alone and those apt refuses are reported and left
# out: the stages needing them say so, and everything else is installed and runs.
install_packages() {
  echo "Installing: $*"
  sudo_if_needed apt-get install -y -qq --no-install-recommends "$@" && return 0
  local package installable=()
  for package in "$@"; do
    if apt-get install -s -qq --no-install-recommends "$package" >/dev/null 2>&1; then
      installable+=("$package")
    else
      echo "install-deps.sh: apt cannot install $package on this machine; left out" >&2
    fi
  done
  if [ ${#installable[@]} -gt 0 ]; then
    sudo_if_needed apt-get install -y -qq --no-install-recommends "${installable[@]}"
  fi
}

updated=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_if_needed dpkg --add-architecture i386
  update_lists
  updated=1
fi
resolve
mapfile -t to_install < <(missing)
# Stale or incomplete lists may name versions the archive no longer has, or lack what it has now.
# A release that truly lacks a part has it looked for again on every run.
if [ $updated -eq 0 ] && { [ ${#to_install[@]} -gt 0 ] || [ ${#lacking[@]} -gt 0 ]; }; then
  update_lists
  resolve
  mapfile -t to_install < <(missing)
fi

for part in "${lacking[@]}"; do
  echo "install-deps.sh: this release's archive has no $part; the tests needing it report skipped"
done
if [ ${#to_install[@]} -gt 0 ]; then
  install_packages "${to_install[@]}"
  # clang is installed only now on a new machine: its runtime follows its version.
  previous=("${to_install[@]}")
  resolve
  mapfile -t to_install < <(missing)
  new=()
  for package in "${to_install[@]}"; do
    if [[ " ${previous[*]} " != *" $package "* ]]; then new+=("$package"); fi
  done
  if [ ${#new[@]} -gt 0 ]; then install_packages "${new[@]}"; fi
fi
