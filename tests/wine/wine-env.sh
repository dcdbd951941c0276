# Sourced with the kit's Wine folder as $1: the environment of every Wine
# process the tests start.  Everything Wine writes stays below that folder.
mkdir -p "$1"
wine_dir=$(cd "$1" && pwd)
export WINEPREFIX="$wine_dir/prefix"
export WINEDEBUG=-all
# Wine's Recycle Bin is the XDG trash, and its menu builder writes XDG menus.
export XDG_DATA_HOME="$wine_dir/xdg/data"
export XDG_CONFIG_HOME="$wine_dir/xdg/config"
export XDG_CACHE_HOME="$wine_dir/xdg/cache"
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
# The 64-bit loader starts 32-bit programs through the 32-bit one when the
# machine can run it; the plain "wine" script would insist on the 32-bit one.
WINE_LOADER=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
