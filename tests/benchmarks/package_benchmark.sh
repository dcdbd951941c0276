#!/usr/bin/env bash
# Times tools/kit package on a product-scale application folder: the tree of
# the extraction benchmark's archive with the stand-in as main program, packed
# from an empty build folder and then once more with nothing changed.
#   package_benchmark.sh PRODUCT_SCALE_ZIP STANDIN_EXE WORK_DIR
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
archive=$1 standin=$2 work=$3
app="$work/app" build_dir="$work/build"

rm -rf "$work"
mkdir -p "$work"
python3 - "$archive" "$app" <<'PY'
import sys, zipfile, pathlib
archive, app = sys.argv[1], pathlib.Path(sys.argv[2])
with zipfile.ZipFile(archive) as payload:
    for entry in payload.infolist():
        relative = entry.filename.split("/", 1)[1]
        if not relative:
            continue
        target = app / relative
        if entry.is_dir():
            target.mkdir(parents=True, exist_ok=True)
        else:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(payload.read(entry))
PY
mkdir -p "$app/bin/64bit"
cp "$standin" "$app/bin/64bit/Orvicap.exe"
echo "package benchmark: $(find "$app" -type f | wc -l) files, $(du -sm "$app" | cut -f1) MB in $app"
for run in "from an empty build folder" "again, nothing changed"; do
  started=$EPOCHREALTIME
  "$repo/tools/package.sh" "$app" --build-dir "$build_dir" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log"; exit 1; }
  echo "package benchmark: tools/kit package $run: $(awk "BEGIN { printf \"%.1f\", $EPOCHREALTIME - $started }") s"
done
grep '^package: size' "$work/package.log" | sed 's/^package:/package benchmark: installer/'
rm -rf "$work"
