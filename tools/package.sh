#!/usr/bin/env bash
# Turns an application folder into the kit, in one command:
#   tools/package.sh APP_DIR [--version A.B.C.D]
#                    [--pkcs12 FILE --password-file FILE | --cert FILE --key FILE [--password-file FILE]]
#                    [--timestamp URL] [--description TEXT] [--url URL] [--build-dir DIR]
# Looks at the folder and the version first (in seconds, before anything is
# installed or built), then sets up what is missing, builds only what ships
# (no tests) and prints where the installer is, its size and its SHA-256.
# The installer carries the version given, else the ProductVersion of
# APP_DIR/bin/64bit/Orvicap.exe, else 1.0.0.0.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() {
  sed -n '2,5p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

absolute() { [[ $1 == /* ]] && echo "$1" || echo "$PWD/$1"; }

app_dir="" build_dir="$repo/build/package" version=""
# Every signing setting is handed to the build, empty when not given: a build
# folder keeps its cache, and a setting of an earlier run must not linger.
declare -A sign=([PKCS12]="" [PASSWORD_FILE]="" [CERT]="" [KEY]="" [TIMESTAMP_URL]="" [DESCRIPTION]="" [URL]="")
while [[ $# -gt 0 ]]; do
  case $1 in
    --pkcs12) sign[PKCS12]=$(absolute "${2:?}") ;;
    --password-file) sign[PASSWORD_FILE]=$(absolute "${2:?}") ;;
    --cert) sign[CERT]=$(absolute "${2:?}") ;;
    --key) sign[KEY]=$(absolute "${2:?}") ;;
    --timestamp) sign[TIMESTAMP_URL]=${2:?} ;;
    --description) sign[DESCRIPTION]=${2:?} ;;
    --url) sign[URL]=${2:?} ;;
    --build-dir) build_dir=$(absolute "${2:?}") ;;
    --version) version=${2:?} ;;
    -*) echo "package: unknown option $1" >&2; usage ;;
    *) [[ -z $app_dir ]] || usage; app_dir=$(absolute "$1"); shift; continue ;;
  esac
  shift 2
done
[[ -n $app_dir ]] || usage
sign_settings=()
for setting in "${!sign[@]}"; do
  sign_settings+=("-DORVICAP_SIGN_$setting=${sign[$setting]}")
done

# The packer needs only Python, which a fresh Debian has; the kit's own build
# puts the updater beside the main program, so the folder need not hold it.
command -v python3 >/dev/null || "$repo/tools/setup.sh"
python3 "$repo/tools/pack_payload.py" --check --updater-supplied --app-dir "$app_dir"
version_args=(--app-dir "$app_dir")
[[ -n $version ]] && version_args+=("--version=$version" --given-as=--version)
python3 "$repo/tools/product_version.py" "${version_args[@]}" >/dev/null

"$repo/tools/setup.sh"
kit="$build_dir/kit"
# A kit left by an earlier run must not pass for this one if the build fails.
rm -rf "$kit"
started=$SECONDS
mkdir -p "$build_dir"
configure_log="$build_dir/configure.log"
cmake -S "$repo" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DORVICAP_BUILD_TESTS=OFF \
  "-DORVICAP_APPLICATION_DIR=$app_dir" "-DORVICAP_VERSION=$version" "${sign_settings[@]}" >"$configure_log" ||
  { echo "package: configuring failed (see $configure_log)" >&2; exit 1; }
grep -E -- '-- (The installer carries|The programs are signed|No signing certificate)' "$configure_log" | sed 's/^-- /package: /' || true
cmake --build "$build_dir" -j "$(nproc)"
installer="$kit/VLInstaller.exe"
echo "package: built in $((SECONDS - started)) s"
echo "package: installer $installer"
echo "package: size $(stat -c %s "$installer") bytes"
echo "package: SHA-256 $(sha256sum "$installer" | cut -d' ' -f1)"
