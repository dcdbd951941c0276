#!/usr/bin/env bash
# Creates the tests' private Wine prefix below the Wine folder given as $1 and
# keeps the test-only stand-in programs installed in it.  Cheap once done.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$1"

# Wine links the user's Desktop, Documents and the like to the Linux home
# folder; plain folders keep what the tests create inside the prefix.
replace_home_links() {
  local link
  while IFS= read -r link; do
    rm -f "$link"
    mkdir -p "$link"
  done < <(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -type l)
}

# Right after a prefix is made, Wine may still be finishing its set-up and an
# import can fail: it is tried a few times.
import_test_settings() {
  local attempt
  for attempt in 1 2 3 4 5; do
    "$WINE_LOADER" regedit /S "$(winepath_of "$here/test-prefix.reg")" >/dev/null 2>&1 && return 0
    sleep 1
  done
  echo "prepare-prefix: could not import test-prefix.reg into $WINEPREFIX" >&2
  return 1
}

# Without mscoree and mshtml, wineboot does not offer to install Mono and Gecko,
# which would wait for someone to answer.
create_prefix() {
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mscoree,mshtml=" "$WINE_LOADER" wineboot --init >/dev/null 2>&1 || true
  import_test_settings
  replace_home_links
}

winepath_of() {
  echo "Z:${1//\//\\}"
}

# Each architecture tree leaves its stand-in taskkill.exe below stand-ins/.
install_stand_ins() {
  local arch system_dir source target
  for arch in x86_64 i686; do
    source="$wine_dir/stand-ins/$arch/taskkill.exe"
    [[ -f $source ]] || continue
    system_dir=system32
    [[ $arch == i686 ]] && system_dir=syswow64
    [[ -d $WINEPREFIX/drive_c/windows/$system_dir ]] || continue
    target="$WINEPREFIX/drive_c/windows/$system_dir/taskkill.exe"
    cmp -s "$source" "$target" || cp -f "$source" "$target"
  done
}

mkdir -p "$wine_dir"
exec 9>"$wine_dir/prefix.lock"
flock 9
if [[ ! -f $wine_dir/prefix-ready ]]; then
  echo "prepare-prefix: creating the test prefix in $WINEPREFIX" >&2
  create_prefix
  touch "$wine_dir/prefix-ready"
fi
install_stand_ins
