#!/usr/bin/env bash
# Starts an installer under Wine in a prefix of its own and shows its window.
#   show_installer.sh INSTALLER WINE_DIR SCREENSHOT
# On the user's display the installer stays until it is closed.  Without one
# it runs on a virtual display until its window shows, which is saved as the
# screenshot; a window that never shows is an error (exit 1, no screenshot).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
installer=$1 wine_dir=$2 shot=$3
# shellcheck source=lib/virtual_display.sh
source "$here/lib/virtual_display.sh"
mkdir -p "$wine_dir"
log="$wine_dir/installer-run.log"

# Wine's server and desktop process take the display they were started with.
# Making the prefix starts both, so the prefix is made once the display is
# known, and they must have ended before the installer starts: a window sent
# to a desktop without a display never appears.
prepare_prefix() {
  "$repo/tests/wine/prepare-prefix.sh" "$wine_dir"
  (source "$repo/tests/wine/wine-env.sh" "$wine_dir" &&
    { timeout 60 "$WINESERVER" -w || "$WINESERVER" -k; }) 2>/dev/null || true
}

stop_prefix() {
  (source "$repo/tests/wine/wine-env.sh" "$wine_dir" && "$WINESERVER" -k 2>/dev/null) || true
}

# The first start in a new prefix builds Wine's font cache, which can take a
# while; the window is 480 pixels wide.
wait_for_window() {
  local installer_pid=$1 tries
  for tries in $(seq 180); do
    xwininfo -root -tree -display "$DISPLAY" 2>/dev/null | grep -q ' 480x3[24]0+' && { sleep 1; return 0; }
    if ! kill -0 "$installer_pid" 2>/dev/null; then
      echo "kit: the installer ended before its window appeared (see $log)" >&2
      return 1
    fi
    sleep 0.5
  done
  echo "kit: the installer window did not appear within 90 seconds (see $log)" >&2
  return 1
}

take_screenshot() {
  local partial="$shot.partial"
  xwd -root -silent -display "$DISPLAY" | xwdtopnm 2>/dev/null | pnmtopng >"$partial" 2>/dev/null
  mv -f "$partial" "$shot"
}

rm -f "$shot"
if [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then
  prepare_prefix
  echo "kit: starting the installer on display $DISPLAY"
  (source "$repo/tests/wine/wine-env.sh" "$wine_dir" && exec "$WINE_LOADER" "$installer")
  exit
fi
start_virtual_display "$wine_dir/xvfb.log"
trap 'stop_prefix; stop_virtual_display' EXIT
prepare_prefix
(source "$repo/tests/wine/wine-env.sh" "$wine_dir" && exec "$WINE_LOADER" "$installer") </dev/null >"$log" 2>&1 &
wait_for_window $!
take_screenshot
echo "kit: no display here, so the installer ran on a virtual one: screenshot in $shot"
