#!/usr/bin/env bash
# Authenticode signing of one shipped program, with osslsigncode.
#   sign_program.sh SETTINGS --check        checks the certificate settings only
#   sign_program.sh SETTINGS --stamp FILE   writes FILE, whose content changes
#                                           whenever the settings or the
#                                           certificate files do
#   sign_program.sh SETTINGS IN OUT         writes OUT: IN signed, or IN itself
#                                           when no certificate is set
# SETTINGS is a file of NAME=VALUE lines, each value whole up to the line's
# end (";" and spaces included), written by the build:
#   ORVICAP_SIGN_PKCS12 + ORVICAP_SIGN_PASSWORD_FILE   a PKCS#12 file and its password
#   ORVICAP_SIGN_CERT + ORVICAP_SIGN_KEY               a certificate and key in PEM
#     (ORVICAP_SIGN_PASSWORD_FILE, if set, holds the key's password)
#   ORVICAP_SIGN_TIMESTAMP_URL, ORVICAP_SIGN_DESCRIPTION, ORVICAP_SIGN_URL (optional)
#   SOURCE_DATE_EPOCH   the signing time written when no time-stamp server is used
set -euo pipefail
settings_file=${1:?usage: sign_program.sh SETTINGS --check | --stamp FILE | IN OUT}
shift
declare -A setting=()
while IFS= read -r line || [[ -n $line ]]; do
  [[ $line == *=* ]] && setting[${line%%=*}]=${line#*=}
done <"$settings_file"
pkcs12=${setting[ORVICAP_SIGN_PKCS12]:-} password_file=${setting[ORVICAP_SIGN_PASSWORD_FILE]:-}
cert=${setting[ORVICAP_SIGN_CERT]:-} key=${setting[ORVICAP_SIGN_KEY]:-}

fail() { echo "sign_program: $*" >&2; exit 1; }

signing_requested() { [[ -n $pkcs12 || -n $cert || -n $key ]]; }

readable() { [[ -f $2 && -r $2 ]] || fail "the $1 $2 does not exist or cannot be read"; }

check_pkcs12() {
  readable "PKCS#12 file" "$pkcs12"
  [[ -n $password_file ]] || fail "a PKCS#12 file needs its password file (ORVICAP_SIGN_PASSWORD_FILE)"
  readable "password file" "$password_file"
  # Files exported by older Windows tools are encrypted with RC2-40, which
  # OpenSSL 3 reads only through its legacy provider (osslsigncode loads it
  # itself); a wrong password fails both ways.
  openssl pkcs12 -in "$pkcs12" -passin "file:$password_file" -noout 2>/dev/null ||
    openssl pkcs12 -legacy -in "$pkcs12" -passin "file:$password_file" -noout 2>/dev/null ||
    fail "cannot open $pkcs12 with the password in $password_file (wrong password, or not a PKCS#12 file)"
}

check_pem() {
  [[ -n $cert && -n $key ]] || fail "a PEM certificate needs both ORVICAP_SIGN_CERT and ORVICAP_SIGN_KEY"
  readable "certificate" "$cert"
  readable "key" "$key"
  local passin=()
  [[ -n $password_file ]] && { readable "password file" "$password_file"; passin=(-passin "file:$password_file"); }
  local cert_key key_key
  cert_key=$(openssl x509 -in "$cert" -noout -pubkey 2>/dev/null) || fail "$cert is not a PEM certificate"
  key_key=$(openssl pkey -in "$key" "${passin[@]}" -pubout 2>/dev/null) ||
    fail "cannot read the key $key (not a PEM key, or it needs a password that ORVICAP_SIGN_PASSWORD_FILE does not give)"
  [[ $cert_key == "$key_key" ]] || fail "the key $key does not belong to the certificate $cert"
}

check_settings() {
  command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (tools/setup.sh installs it)"
  if [[ -n $pkcs12 ]]; then check_pkcs12; else check_pem; fi
}

sign() {
  local in=$1 out=$2 args=(sign -h sha256)
  if [[ -n $pkcs12 ]]; then
    args+=(-pkcs12 "$pkcs12" -readpass "$password_file")
  else
    args+=(-certs "$cert" -key "$key")
    [[ -n $password_file ]] && args+=(-readpass "$password_file")
  fi
  local description=${setting[ORVICAP_SIGN_DESCRIPTION]:-} url=${setting[ORVICAP_SIGN_URL]:-}
  local timestamp_url=${setting[ORVICAP_SIGN_TIMESTAMP_URL]:-} time=${setting[SOURCE_DATE_EPOCH]:-}
  [[ -n $description ]] && args+=(-n "$description")
  [[ -n $url ]] && args+=(-i "$url")
  if [[ -n $timestamp_url ]]; then
    args+=(-ts "$timestamp_url")
  else
    # Without a time-stamp server the signing time is the only date written;
    # a fixed one makes two signed builds give the same bytes, and without
    # one osslsigncode would write the clock's.
    [[ -n $time ]] || fail "no signing time in $settings_file (SOURCE_DATE_EPOCH)"
    args+=(-time "$time")
  fi
  local partial="$out.partial"
  rm -f "$partial"
  osslsigncode "${args[@]}" -in "$in" -out "$partial" >/dev/null || { rm -f "$partial"; fail "could not sign $in"; }
  mv -f "$partial" "$out"
}

# The certificate files by name, size, time and identity, not by content: a
# stamp in the build folder must not carry a digest of a password.
write_stamp() {
  local out=$1 digest file
  digest=$({
    cat "$settings_file"
    for file in "$pkcs12" "$password_file" "$cert" "$key"; do
      if [[ -n $file ]]; then stat -L -c '%n %s %Y %i' -- "$file" 2>/dev/null || echo "$file missing"; fi
    done
  } | sha256sum | cut -d' ' -f1)
  [[ -f $out && $(<"$out") == "$digest" ]] || echo "$digest" >"$out"
}

case ${1:-} in
  --check) ! signing_requested || check_settings ;;
  --stamp) write_stamp "${2:?}" ;;
  *)
    [[ $# -eq 2 ]] || fail "usage: sign_program.sh SETTINGS --check | --stamp FILE | IN OUT"
    if signing_requested; then
      check_settings
      sign "$1" "$2"
    else
      cp -f "$1" "$2"
    fi
    ;;
esac
