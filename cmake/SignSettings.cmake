# The signing settings, each a cache variable ORVICAP_SIGN_<NAME> of the
# superbuild handed on to both trees; the file settings name files whose
# change must sign the programs again.
set(ORVICAP_SIGN_SETTINGS PKCS12 PASSWORD_FILE CERT KEY TIMESTAMP_URL DESCRIPTION URL)
set(ORVICAP_SIGN_FILE_SETTINGS PKCS12 PASSWORD_FILE CERT KEY)
