#!/usr/bin/env bash
# Puts miniz.c and miniz.h (miniz 3.0.2) into the folder given as $1.
#
# Debian has no miniz package, but its source archive carries miniz 3.0.2
# inside the pytorch source package.  The source index is taken from the
# archive this machine is already configured for, through a private apt
# configuration, so the machine's own apt setup is left as it is.
set -euo pipefail

dest=${1:?usage: fetch-miniz.sh DEST_DIR}
suite=trixie
source_package=pytorch
declare -A expected_sha256=(
  [miniz.c]=de2d93bc762bb2cf96ad88f2c5eb0032b43265c4c958fd3c5ee0cd10e19fd233
  [miniz.h]=f959f5dfb5c5d3ed0f55f3e7e455afbe1e924d64d74cd2dd374740b9d87abfd0
)

sources_verified() {
  local name
  for name in "${!expected_sha256[@]}"; do
    [[ -f $dest/$name ]] || return 1
    [[ $(sha256sum "$dest/$name" | cut -d' ' -f1) == "${expected_sha256[$name]}" ]] || return 1
  done
}

# The URIs of the machine's configured Debian archive: the index targets of
# binary packages for the release this machine runs.
configured_archive_uris() {
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  apt-get indextargets --format '$(TARGET_OF) $(CODENAME) $(REPO_URI)' |
    awk -v c="$codename" '$1 == "deb" && $2 == c { print $3 }' | sort -u
}

write_source_list() {
  local list=$1 uris
  uris=$(configured_archive_uris | tr '\n' ' ')
  if [[ -z ${uris// } ]]; then
    echo "fetch-miniz: no Debian archive is configured for apt on this machine" >&2
    exit 1
  fi
  cat >"$list" <<LIST
Types: deb-src
URIs: ${uris% }
Suites: $suite
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
LIST
}

download_source_package() {
  local work=$1
  mkdir -p "$work/sources.list.d" "$work/lists/partial" "$work/cache" "$work/download"
  write_source_list "$work/sources.list.d/$suite-src.sources"
  local apt_options=(
    -o "Dir::Etc::SourceList=/dev/null"
    -o "Dir::Etc::SourceParts=$work/sources.list.d"
    -o "Dir::State::Lists=$work/lists"
    -o "Dir::Cache=$work/cache"
    -o "APT::Sandbox::User=root"
  )
  apt-get "${apt_options[@]}" -q update
  (cd "$work/download" && apt-get "${apt_options[@]}" -q source --download-only "$source_package")
}

extract_miniz() {
  local work=$1 tarball
  tarball=$(ls "$work"/download/"${source_package}"_*.orig.tar.* | head -n 1)
  mkdir -p "$dest"
  tar --no-same-owner -xf "$tarball" -C "$dest" --wildcards --strip-components=3 \
    '*/third_party/miniz-3.0.2/miniz.c' '*/third_party/miniz-3.0.2/miniz.h'
}

if sources_verified; then
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "fetch-miniz: downloading the $source_package source package ($suite) for miniz 3.0.2"
download_source_package "$work"
extract_miniz "$work"
if ! sources_verified; then
  echo "fetch-miniz: miniz.c/miniz.h in $dest do not have the expected SHA-256 sums;" >&2
  echo "fetch-miniz: the source package has changed, refusing to build with it" >&2
  sha256sum "$dest"/miniz.[ch] >&2 || true
  rm -f "$dest/miniz.c" "$dest/miniz.h"
  exit 1
fi
echo "fetch-miniz: miniz sources verified in $dest"
