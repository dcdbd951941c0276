#!/usr/bin/env bash
# The signing time written into signatures made without a time-stamp server,
# as seconds since 1970, followed by where it came from:
#   signing_time.sh SOURCE_DIR
# SOURCE_DATE_EPOCH when set; else the time of the last commit of SOURCE_DIR;
# else (git missing, a source tarball) the fixed time below.  Never the clock:
# a signing time that changes from build to build makes every signed build
# differ.
set -euo pipefail
source_dir=$1
# 2000-01-01 00:00:00 UTC.
fixed_time=946684800

if [[ -n ${SOURCE_DATE_EPOCH:-} ]]; then
  [[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]] ||
    { echo "signing_time: SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH is not a number of seconds" >&2; exit 1; }
  echo "$SOURCE_DATE_EPOCH (SOURCE_DATE_EPOCH)"
  exit 0
fi
if ! command -v git >/dev/null; then
  echo "$fixed_time (the fixed time 2000-01-01 00:00:00 UTC: git is not installed, so the last commit's time cannot be read; set SOURCE_DATE_EPOCH to choose another)"
  exit 0
fi
# Reading the time changes nothing, so whoever owns the checkout (another
# user's, when building as root) may be read.
if commit_time=$(git -c safe.directory='*' -C "$source_dir" log -1 --format=%ct 2>/dev/null) && [[ -n $commit_time ]]; then
  echo "$commit_time (the last commit's time)"
else
  echo "$fixed_time (the fixed time 2000-01-01 00:00:00 UTC: $source_dir has no commit to take the time from; set SOURCE_DATE_EPOCH to choose another)"
fi
