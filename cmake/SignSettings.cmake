# The signing settings, each a cache variable ORVICAP_SIGN_<NAME> of the
# superbuild, written for the signing step into one settings file.
set(ORVICAP_SIGN_SETTINGS PKCS12 PASSWORD_FILE CERT KEY TIMESTAMP_URL DESCRIPTION URL)
