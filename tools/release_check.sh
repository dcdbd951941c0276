#!/usr/bin/env bash
# Checks what a release depends on and a test run cannot show, by packing a
# fixture application folder whole, several times (run by tools/kit
# release-check after the test build, which provides the Wine test bed):
#   - two unsigned kits built in different folders at different times are
#     byte for byte the same;
#   - a wrong password or a key that is not the certificate's stops the build
#     and leaves no kit;
#   - the same folders signed (with a PKCS#12 file in one, a PEM certificate
#     and key in the other) give signed programs throughout, and the same
#     bytes again;
#   - the signed installer installs the fixture folder, with names such as
#     "a;b.txt", byte for byte, and the uninstall.exe it wrote removes it.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$repo/build"
work=$(mktemp -d /tmp/orvicap-release-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
programs=(VLInstaller.exe uninstall.exe VLUpdater.exe)
first="$work/a" second="$work/a folder with a longer name/b"

say() { echo "release-check: $*"; }
fail() { echo "release-check: FAIL $*" >&2; exit 1; }

package() { "$repo/tools/package.sh" "$work/app" "$@"; }

make_fixture_app() {
  local standin
  standin=$(find "$build/x86_64/payload" -maxdepth 1 -name Orvicap.exe | head -n 1)
  [[ -n $standin ]] || fail "the stand-in Orvicap.exe is not built (run tools/kit build first)"
  python3 "$repo/tests/kit/make_fixture_app.py" "$repo/payload/files" "$standin" "$work/app"
}

same_programs() {
  local program
  for program in "${programs[@]}"; do
    cmp -s "$1/kit/$program" "$2/kit/$program" || fail "$program differs between $1 and $2 ($3)"
  done
  say "ok: ${programs[*]} are byte for byte the same in both build folders ($3)"
}

make_certificate() {
  local certs="$work/certs"
  mkdir -p "$certs"
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Orvicap release check" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$certs/key.pem" -out "$certs/cert.pem" 2>/dev/null
  echo "a throw-away password" >"$certs/password"
  echo "not the password" >"$certs/wrong-password"
  openssl pkcs12 -export -in "$certs/cert.pem" -inkey "$certs/key.pem" \
    -passout "file:$certs/password" -out "$certs/sign.p12"
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Someone else" \
    -keyout "$certs/other-key.pem" -out "$certs/other-cert.pem" 2>/dev/null
}

expect_refused() {
  local what=$1 expected=$2 output
  shift 2
  if output=$(package --build-dir "$work/refused" "$@" 2>&1); then
    fail "$what was accepted"
  fi
  grep -q -- "$expected" <<<"$output" || fail "$what was refused without saying \"$expected\": $output"
  [[ ! -e $work/refused/kit ]] || fail "$what left a kit behind"
  say "ok: $what stops the build:$(grep -o -- "sign_program: .*" <<<"$output" | head -n 1 | sed 's/^sign_program://')"
}

install_and_remove_under_wine() {
  local test_bin="$build/i686/tests/bin" bed="$work/installs"
  if [[ ! -f $test_bin/uninstaller_end_to_end_test.exe ]]; then
    say "skipped installing under Wine: this machine's test build runs no 32-bit programs"
    return 0
  fi
  mkdir -p "$bed"
  cp "$test_bin/uninstaller_end_to_end_test.exe" "$first/kit/VLInstaller.exe" "$bed/"
  # shellcheck source=lib/virtual_display.sh
  source "$repo/tools/lib/virtual_display.sh"
  start_virtual_display "$work/xvfb.log"
  local status=0
  # The folder the build packed: the fixture with the kit's updater beside
  # the main program.
  diff -r -x VLUpdater.exe "$work/app" "$first/x86_64/app" >/dev/null ||
    fail "the build packed another tree than the fixture folder"
  ORVICAP_EXPECTED_APP_DIR="Z:$first/x86_64/app" timeout 300 "$repo/tests/wine/run-under-wine.sh" "$build/wine" \
    "$bed/uninstaller_end_to_end_test.exe" --gtest_filter=EndToEndTest.InstalledProductIsRemovedThroughItsUninstallCommand ||
    status=$?
  stop_virtual_display
  (source "$repo/tests/wine/wine-env.sh" "$build/wine" && "$WINESERVER" -k 2>/dev/null) || true
  [[ $status -eq 0 ]] || fail "the signed installer did not install the fixture folder byte for byte and remove it again"
  say "ok: the signed installer installs the fixture folder byte for byte and its uninstall.exe removes it"
}

make_fixture_app
say "packing $work/app into two build folders"
package --build-dir "$first"
mkdir -p "$work/unsigned"
cp "$first/kit/VLInstaller.exe" "$work/unsigned/"
sleep 1
package --build-dir "$second"
same_programs "$first" "$second" "unsigned"
python3 "$repo/tests/kit/check_hardening.py" "${programs[@]/#/$first/kit/}"

make_certificate
certs="$work/certs"
expect_refused "a wrong PKCS#12 password" "cannot open" --pkcs12 "$certs/sign.p12" --password-file "$certs/wrong-password"
expect_refused "a key that is not the certificate's" "does not belong to the certificate" \
  --cert "$certs/cert.pem" --key "$certs/other-key.pem"
expect_refused "a missing certificate file" "does not exist" --pkcs12 "$certs/none.p12" --password-file "$certs/password"

say "signing in both build folders"
package --build-dir "$first" --pkcs12 "$certs/sign.p12" --password-file "$certs/password" \
  --description "维洛录屏" --url "https://example.invalid/orvicap"
package --build-dir "$second" --cert "$certs/cert.pem" --key "$certs/key.pem" \
  --description "维洛录屏" --url "https://example.invalid/orvicap"
cmp -s "$work/unsigned/VLInstaller.exe" "$first/kit/VLInstaller.exe" &&
  fail "signing in a folder that built unsigned before left the installer unsigned"
same_programs "$first" "$second" "signed with a PKCS#12 file and with PEM files"
python3 "$repo/tests/kit/check_signed_kit.py" "$first/kit" "$certs/cert.pem"
install_and_remove_under_wine
say "all checks passed"
