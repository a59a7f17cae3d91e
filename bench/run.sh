#!/usr/bin/env bash
# Times swu side by side with other tools on the same inputs.
#   bench/run.sh [build-dir]        (default: build)
# Needs hyperfine, sd, ripgrep and GNU time (Debian: hyperfine sd ripgrep time).
# Workloads:
#   sparse  - same-length replacement of a 6-byte word every 64 KiB (256 MiB)
#   dense   - growing replacement of a common word (256 MiB)
#   nomatch - search for a word that is not there (256 MiB)
#   tree    - same-length replacement under -R over 10 000 files in 100 dirs
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
swu=$(cd "${1:-$here/../build}" && pwd)/swu
work=$here/work
mkdir -p "$work"
cd "$work"
[ -f big.base ] || python3 "$here/make_data.py" big big.base
[ -d tree.base ] || python3 "$here/make_data.py" tree tree.base

prep='cp big.base big.txt'
run() {  # name, then commands
  local name=$1; shift
  hyperfine -N -i --warmup 1 --runs 5 --prepare "$prep" --export-json "$name.json" "$@" >/dev/null
  python3 - "$name" "$name.json" <<'PY'
import json, sys
name, path = sys.argv[1], sys.argv[2]
rs = json.load(open(path))["results"]
swu = rs[0]["mean"]
print("\n%s" % name)
print("  %-44s %9s %9s" % ("command", "mean ms", "vs swu"))
for r in rs:
    print("  %-44s %9.1f %8.2fx" % (r["command"][:44], r["mean"] * 1000, r["mean"] / swu))
PY
}

run sparse "$swu big.txt ZQXJKV QQQQQQ -C -V:0" \
  "sed -i s/ZQXJKV/QQQQQQ/g big.txt" "perl -pi -e s/ZQXJKV/QQQQQQ/g big.txt" \
  "sd -s ZQXJKV QQQQQQ big.txt" "rg -c -F ZQXJKV big.txt"
run dense "$swu big.txt data records -C -V:0" \
  "sed -i s/data/records/g big.txt" "perl -pi -e s/data/records/g big.txt" \
  "sd -s data records big.txt" "rg -c -F data big.txt"
run nomatch "$swu big.txt NOSUCHWORD other -C -V:0" \
  "sed -i s/NOSUCHWORD/other/g big.txt" "perl -pi -e s/NOSUCHWORD/other/g big.txt" \
  "sd -s NOSUCHWORD other big.txt" "rg -c -F NOSUCHWORD big.txt"

prep='sh -c "rm -rf tree && cp -a tree.base tree"'
run tree "$swu tree/*.txt ZQXJKV QQQQQQ -R -C -V:0" \
  "find tree -name *.txt -exec sed -i s/ZQXJKV/QQQQQQ/g {} +" \
  "find tree -name *.txt -exec sd -s ZQXJKV QQQQQQ {} +" \
  "rg -c -F ZQXJKV tree"

echo
echo "peak memory (KiB) of swu on the 256 MiB file (dense):"
cp big.base big.txt
/usr/bin/time -f "  %M KiB" "$swu" big.txt data records -C -V:0
