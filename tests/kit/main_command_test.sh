#!/usr/bin/env bash
# The main command's display path on a machine without a display, in a new
# Wine prefix: the installer window must show and be what the screenshot
# holds; an installer that never shows a window must fail without a picture.
#   main_command_test.sh INSTALLER WORK_DIR
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
show="$here/../../tools/show_installer.sh"
installer=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
# The prefix (over a gigabyte, full of Wine's own programs) is of no use once
# the test has ended; the screenshot stays for a look.
trap 'rm -rf "$work/wine"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

# A row of the screenshot with at least 470 pixels in a row that are not the
# black of an empty root window shows the 480-pixel-wide window.
shows_window() {
  pngtopnm "$1" | python3 -c '
import sys
data = sys.stdin.buffer.read()
fields = data.split(maxsplit=4)
width, height = int(fields[1]), int(fields[2])
pixels = fields[4]
for y in range(height):
    row, run = pixels[y * width * 3:(y + 1) * width * 3], 0
    for x in range(width):
        run = run + 1 if any(row[3 * x:3 * x + 3]) else 0
        if run >= 470:
            sys.exit(0)
sys.exit(1)'
}

env -u DISPLAY timeout 300 "$show" "$installer" "$work/wine" "$work/shot.png" || fail "the main command failed on a new prefix"
[[ -s $work/shot.png ]] || fail "no screenshot was saved"
shows_window "$work/shot.png" || fail "the screenshot shows no 480-pixel-wide window"

env -u DISPLAY timeout 300 "$show" "$work/no-such-installer.exe" "$work/wine" "$work/none.png" &&
  fail "the main command reported success for an installer that never showed a window"
[[ -e $work/none.png ]] && fail "a screenshot was saved although no window appeared"
echo "PASS: the installer window showed on a new prefix; a missing window failed without a picture"
