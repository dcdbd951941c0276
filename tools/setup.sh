#!/usr/bin/env bash
# Installs everything the kit needs on a Debian 12 machine (run as root) and
# fetches the miniz sources.  Safe to run again: what is there is reused.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")

packages=(
  cmake make python3 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64 wine32:i386
  xvfb xauth x11-apps x11-utils netpbm fonts-wqy-microhei googletest
  dpkg-dev xz-utils ca-certificates nsis osslsigncode openssl git
)

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

install_packages() {
  local missing
  missing=$(missing_packages)
  [[ -z $missing ]] && return 0
  echo "setup: installing: $(echo $missing)"
  # wine32 lives in the i386 architecture, which a fresh machine has not enabled.
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -q
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
}

install_packages
"$here/fetch-miniz.sh" "$repo/.cache/miniz"
