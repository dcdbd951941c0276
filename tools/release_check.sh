#!/usr/bin/env bash
# Checks what a release depends on and a test run cannot show, by packing a
# fixture application folder whole, several times (run by tools/kit
# release-check after the test build, which provides the Wine test bed):
#   - two unsigned kits built in different folders at different times are
#     byte for byte the same;
#   - a wrong password or a key that is not the certificate's stops the build
#     and leaves no kit;
#   - the same folders signed (with a PKCS#12 file encrypted with RC2-40, as
#     older Windows tools export it, in one, a PEM certificate and key in the
#     other; certificates in a folder whose name holds ";", a description and
#     an address holding ";") give signed programs throughout, the last
#     commit's time as signing time, and the same bytes again;
#   - sources without a commit sign with a fixed, announced time;
#   - the signed installer installs the fixture folder, with names such as
#     "a;b.txt", byte for byte, and the uninstall.exe it wrote removes it;
#   - the installer carries the main program's ProductVersion, or the one
#     given with --version, reproducibly; a malformed version, or an updater
#     in another letter case, is refused in seconds, before anything is built.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$repo/build"
# The signing time must come from the last commit here, as in a release.
unset SOURCE_DATE_EPOCH
work=$(mktemp -d /tmp/orvicap-release-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
programs=(VLInstaller.exe uninstall.exe VLUpdater.exe)
first="$work/a" second="$work/a folder with a longer name/b"

say() { echo "release-check: $*"; }
fail() { echo "release-check: FAIL $*" >&2; exit 1; }

package() { package_folder "$work/app" "$@"; }
package_folder() { "$repo/tools/package.sh" "$@"; }

# make_fixture_app OUTPUT [--product-version TEXT]
make_fixture_app() {
  local standin output=$1
  shift
  standin=$(find "$build/x86_64/payload" -maxdepth 1 -name Orvicap.exe | head -n 1)
  [[ -n $standin ]] || fail "the stand-in Orvicap.exe is not built (run tools/kit build first)"
  python3 "$repo/tests/kit/make_fixture_app.py" "$repo/payload/files" "$standin" "$output" "$@"
}

same_programs() {
  local program
  for program in "${programs[@]}"; do
    cmp -s "$1/kit/$program" "$2/kit/$program" || fail "$program differs between $1 and $2 ($3)"
  done
  say "ok: ${programs[*]} are byte for byte the same in both build folders ($3)"
}

make_certificate() {
  mkdir -p "$certs"
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Orvicap release check" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$certs/key.pem" -out "$certs/cert.pem" 2>/dev/null
  echo "a throw-away password" >"$certs/password"
  echo "not the password" >"$certs/wrong-password"
  # Encrypted as older Windows tools export it: OpenSSL 3 reads RC2-40 only
  # through its legacy provider.
  openssl pkcs12 -export -legacy -keypbe PBE-SHA1-RC2-40 -certpbe PBE-SHA1-RC2-40 \
    -in "$certs/cert.pem" -inkey "$certs/key.pem" -passout "file:$certs/password" -out "$certs/sign.p12"
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Someone else" \
    -keyout "$certs/other-key.pem" -out "$certs/other-cert.pem" 2>/dev/null
}

# expect_refused WHAT EXPECTED APP_DIR PACKAGE_OPTIONS...
expect_refused() {
  local what=$1 expected=$2 app=$3 output
  shift 3
  if output=$(package_folder "$app" --build-dir "$work/refused" "$@" 2>&1); then
    fail "$what was accepted"
  fi
  grep -q -F -- "$expected" <<<"$output" || fail "$what was refused without saying \"$expected\": $output"
  [[ ! -e $work/refused/kit ]] || fail "$what left a kit behind"
  say "ok: $what stops the build:$(grep -o -E -- "(sign_program|product_version|pack_payload): .*" <<<"$output" |
    head -n 1 | sed -E 's/^[a-z_]+://')"
}

# expect_refused_early: as expect_refused, and nothing was built or even
# configured: the refusal came from the look at the folder and the version.
expect_refused_early() {
  local started=$SECONDS
  rm -rf "$work/refused"
  expect_refused "$@"
  [[ ! -e $work/refused ]] || fail "$1 was refused only after the build started"
  say "    (refused in $((SECONDS - started)) s, before anything was built)"
}

expect_signing_time() {
  local verify expected
  expected=$(date -u -d "@$1" '+%b %e %H:%M:%S %Y GMT')
  verify=$(osslsigncode verify -CAfile "$certs/cert.pem" -in "$2")
  grep -q -F "Signing time: $expected" <<<"$verify" ||
    fail "$2 was not signed at $expected: $(grep 'Signing time' <<<"$verify")"
  say "ok: $2 carries the signing time $expected"
}

# expect_configured_signing_time SOURCE_DIR EXPECTED: configuring signed
# sources announces the signing time EXPECTED.
expect_configured_signing_time() {
  local output
  output=$(cmake -S "$1" -B "$work/tarball-build" -DORVICAP_BUILD_TESTS=OFF -DMINIZ_SOURCE_DIR="$repo/.cache/miniz" \
    "-DORVICAP_SIGN_PKCS12=$certs/sign.p12" "-DORVICAP_SIGN_PASSWORD_FILE=$certs/password" 2>&1) ||
    fail "configuring signed sources without a commit failed: $output"
  rm -rf "$work/tarball-build"
  grep -q -F -- "-- The programs are signed, with the signing time $2" <<<"$output" ||
    fail "sources without a commit did not say they sign at $2: $(grep -i 'signed' <<<"$output")"
}

# Sources without a commit (a tarball) sign with the fixed time, or with
# SOURCE_DATE_EPOCH when set, and say so.
check_signing_time_without_commit() {
  local tarball="$work/tarball"
  mkdir -p "$tarball"
  tar -C "$repo" --exclude=./.git --exclude=./build --exclude=./.cache -cf - . | tar -C "$tarball" -xf -
  expect_configured_signing_time "$tarball" "946684800 (the fixed time 2000-01-01 00:00:00 UTC: $tarball has no commit"
  SOURCE_DATE_EPOCH=1700000000 expect_configured_signing_time "$tarball" "1700000000 (SOURCE_DATE_EPOCH)"
  say "ok: sources without a commit sign at the fixed time, or at SOURCE_DATE_EPOCH, and say so"
}

check_version() {
  local app="$work/app-versioned" reference="$work/unsigned/VLInstaller.exe"
  make_fixture_app "$app" --product-version 2.7.1.4
  say "packing a folder whose main program has the ProductVersion 2.7.1.4"
  package_folder "$app" --build-dir "$first"
  python3 "$repo/tests/kit/check_version_block.py" "$first/kit/VLInstaller.exe" 2.7.1.4 "$reference"
  package_folder "$app" --build-dir "$first" --version 3.1.4.15
  python3 "$repo/tests/kit/check_version_block.py" "$first/kit/VLInstaller.exe" 3.1.4.15 "$reference"
  package_folder "$app" --build-dir "$second" --version 3.1.4.15
  same_programs "$first" "$second" "version 3.1.4.15 given with --version"

  local version
  for version in 1.2.3 1.2.3.65536 1.2.3.4.5 1.-2.3.4 "1.2.3.4 "; do
    expect_refused_early "the malformed version '$version'" \
      "the version '$version' (given with --version) is not four dot-separated numbers" "$app" --version "$version"
  done
  make_fixture_app "$work/app-malformed" --product-version 2.7.1.x
  expect_refused_early "a main program whose ProductVersion is 2.7.1.x" \
    "the version '2.7.1.x' (the ProductVersion of $work/app-malformed/bin/64bit/Orvicap.exe)" "$work/app-malformed"
  cp "$work/app/bin/64bit/Orvicap.exe" "$work/app/bin/64bit/vlupdater.exe"
  expect_refused_early "a folder holding bin/64bit/vlupdater.exe" \
    "refused $work/app/bin/64bit/vlupdater.exe: differs only in letter case from bin/64bit/VLUpdater.exe" "$work/app"
  rm "$work/app/bin/64bit/vlupdater.exe"
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

make_fixture_app "$work/app"
say "packing $work/app into two build folders"
package --build-dir "$first"
mkdir -p "$work/unsigned"
cp "$first/kit/VLInstaller.exe" "$work/unsigned/"
sleep 1
package --build-dir "$second"
same_programs "$first" "$second" "unsigned"
python3 "$repo/tests/kit/check_hardening.py" "${programs[@]/#/$first/kit/}"

# A folder name with ";" and a space: CMake must hand the paths on whole.
certs="$work/release; certs"
make_certificate
expect_refused "a wrong PKCS#12 password" "cannot open" "$work/app" \
  --pkcs12 "$certs/sign.p12" --password-file "$certs/wrong-password"
expect_refused "a key that is not the certificate's" "does not belong to the certificate" "$work/app" \
  --cert "$certs/cert.pem" --key "$certs/other-key.pem"
expect_refused "a missing certificate file" "does not exist" "$work/app" \
  --pkcs12 "$certs/none.p12" --password-file "$certs/password"

say "signing in both build folders"
description="维洛录屏; 发布版" url="https://example.invalid/orvicap;release"
package --build-dir "$first" --pkcs12 "$certs/sign.p12" --password-file "$certs/password" \
  --description "$description" --url "$url"
package --build-dir "$second" --cert "$certs/cert.pem" --key "$certs/key.pem" \
  --description "$description" --url "$url"
cmp -s "$work/unsigned/VLInstaller.exe" "$first/kit/VLInstaller.exe" &&
  fail "signing in a folder that built unsigned before left the installer unsigned"
same_programs "$first" "$second" "signed with an RC2-40 PKCS#12 file and with PEM files"
python3 "$repo/tests/kit/check_signed_kit.py" "$first/kit" "$certs/cert.pem"
for text in "$description" "$url"; do
  LC_ALL=C grep -q -F -- "$text" "$first/kit/VLInstaller.exe" || fail "the signature does not hold \"$text\" whole"
done
say "ok: the description and the address are signed whole, \";\" included"
expect_signing_time "$(git -c safe.directory='*' -C "$repo" log -1 --format=%ct)" "$first/kit/VLInstaller.exe"
check_signing_time_without_commit
install_and_remove_under_wine
check_version
say "all checks passed"
