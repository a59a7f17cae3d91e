#!/usr/bin/env bash
# Times swu side by side with other tools on the same inputs, one hyperfine
# run per workload, and prints how swu's mean compares with each peer's.
#   bench/run.sh [build-dir] [workload...]     (default: build, all)
# With SWU_BASE=/path/to/an/older/swu, each workload also runs that binary
# on the same command, in the same hyperfine run, for a before/after ratio.
# Workloads (256 MiB of CR LF lines unless said otherwise):
#   sparse    same-length, -C, "needle" every 64 KiB     vs rg -c -F
#   sparse-i  the same, case-insensitive                 vs rg -c -i -F
#   nomatch   a word that is not there                   vs rg -c -F
#   sparse-1g the same on 1 GiB (four copies of the file) vs rg -c -F
#   dense     same-length alpha -> ALPHA (1.6 million)   vs sd -s, cp
#   growing   alpha -> ALPHA-1                           vs sd -s, cp
#   sync      sparse and growing with --sync             vs without
#   diff      sparse, dense and growing with --diff (the diff to
#             /dev/null)                                 vs the real run
#   tree      -R over 10 000 files of ~4 KiB             vs --threads 1,
#             rg -c -F, rg -l | xargs sd, find -exec sd (one process
#             per file: slow, ~30 s a run)
#   tree100k  -R over 100 000 files of ~8 KiB (~800 MB, 1 000 directories
#             of 100; "needle" once in every 10th file)  vs --threads 1,
#             rg -c -F, rg -l | xargs sd.  With less than 6 GB free where
#             the data goes, 50 000 such files instead (named tree50k).
#             Slow: each of the 16 runs first copies ~800 MB afresh
#   scaling   ms per 1 000 files of the default run on the 10 000-file tree
#             and on the large one, and their ratio (1.0 = linear in the
#             number of files; the large tree's files are twice the size,
#             so ms per MiB is printed too)
#   treememory peak resident memory of swu on both trees and of rg -c on
#             the large one (GNU time)
#   threads   the tree with --threads 1, 2, 4 and 8.  More threads than
#             the machine has cores (2 on the one this was written on)
#             shows what keeping the files in order costs, not a speed-up
#   long      a 20 001-byte -L search text on 1 MiB of "a"
#   long-files a 100 MB -L search text over 1 five-byte file vs over 20
#   memory    peak resident memory of the dense run (GNU time)
#   count     instructions of the matcher on the first 16 MiB (callgrind),
#             a figure that does not depend on the machine's load
# Needs hyperfine, sd, ripgrep, GNU time and valgrind (Debian: hyperfine sd
# ripgrep time valgrind).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
swu=$(cd "${1:-$here/../build}" && pwd)/swu
shift || true
workloads=${*:-sparse sparse-i sparse-1g nomatch dense growing sync diff tree tree100k scaling treememory threads long long-files memory count}
work=$here/work
mkdir -p "$work"
cd "$work"
[ -f big.base ] || python3 "$here/make_data.py" big big.base
[ -d tree.base ] || python3 "$here/make_data.py" tree tree.base
[ -f long.base ] || python3 "$here/make_data.py" long long.base
[ -f long.search ] || python3 "$here/make_data.py" longtext long.search
# The large tree: 100 000 files, or 50 000 when the disk is short (the data
# and its working copy take ~1.7 GB; 6 GB leaves room for the rest).
big_files=100000
if [ "$(df -Pk . | awk 'NR == 2 {print $4}')" -lt $((6 * 1024 * 1024)) ] &&
   [ ! -d tree100k.base ]; then
  big_files=50000
fi
bt=tree$((big_files / 1000))k
case " $workloads " in
  *" tree100k "* | *" scaling "* | *" treememory "*)
    [ $big_files = 100000 ] || echo "less than 6 GB free: $bt, not tree100k"
    [ -d $bt.base ] || python3 "$here/make_data.py" $bt $bt.base ;;
esac

# Runs the commands in one hyperfine run; the first is swu. The machine
# may be shared: compare the ratios, and the user times, not the absolute
# wall times.
#   compare name runs prepare command...
compare() {
  local name=$1 runs=$2 prep=$3
  shift 3
  if [ -n "${SWU_BASE:-}" ]; then
    local first=$1
    shift
    set -- "$first" "${first/#$swu/$SWU_BASE}" "$@"
  fi
  hyperfine -N -i --style basic --warmup 1 --runs "$runs" --prepare "$prep" \
    --export-json "$name.json" "$@" >/dev/null
  python3 - "$name" "$name.json" "$swu" "${SWU_BASE:-}" <<'PY'
import json, sys
name, path, new, base = sys.argv[1:5]
rs = json.load(open(path))["results"]


# The binaries' paths would push what tells the rows apart off the column.
def label(command):
    if base and command.startswith(base + " "):
        return "swu(base)" + command[len(base):]
    if command.startswith(new + " "):
        return "swu" + command[len(new):]
    return command


swu = rs[0]["mean"]
print("\n%s" % name)
print("  %-60s %9s %9s %10s" % ("command", "mean ms", "user ms",
                                "swu/this"))
for r in rs:
    print("  %-60s %9.1f %9.1f %9.3fx" % (label(r["command"])[:60],
                                          r["mean"] * 1000, r["user"] * 1000,
                                          swu / r["mean"]))
PY
}

big='cp big.base big.txt'
tree='sh -c "rm -rf tree && cp -a tree.base tree"'
btree="sh -c \"rm -rf $bt && cp -a $bt.base $bt\""
for w in $workloads; do
  case $w in
    sparse) compare sparse 5 "$big" "$swu big.txt needle pinned -C -V:0" \
      "rg -c -F needle big.txt" ;;
    sparse-i) compare sparse-i 5 "$big" "$swu big.txt needle pinned -V:0" \
      "rg -c -i -F needle big.txt" ;;
    nomatch) compare nomatch 5 "$big" "$swu big.txt NOSUCHWORD other -C -V:0" \
      "rg -c -F NOSUCHWORD big.txt" ;;
    sparse-1g)
      [ -f huge.base ] || cat big.base big.base big.base big.base > huge.base
      compare sparse-1g 3 'cp huge.base huge.txt' \
        "$swu huge.txt needle pinned -C -V:0" "rg -c -F needle huge.txt" ;;
    # cp writes every byte of the file once: the floor of a rewrite that
    # writes the whole file.
    dense) compare dense 3 "$big" "$swu big.txt alpha ALPHA -C -V:0" \
      "sd -s alpha ALPHA big.txt" "cp big.base big2.txt" ;;
    growing) compare growing 3 "$big" "$swu big.txt alpha ALPHA-1 -C -V:0" \
      "sd -s alpha ALPHA-1 big.txt" "cp big.base big2.txt" ;;
    sync)
      compare sync-sparse 3 "$big" "$swu big.txt needle pinned -C -V:0 --sync" \
        "$swu big.txt needle pinned -C -V:0"
      compare sync-growing 3 "$big" \
        "$swu big.txt alpha ALPHA-1 -C -V:0 --sync" \
        "$swu big.txt alpha ALPHA-1 -C -V:0" ;;
    diff)
      compare diff-sparse 5 "$big" "$swu big.txt needle pinned -C -V:0 --diff" \
        "$swu big.txt needle pinned -C -V:0"
      compare diff-dense 3 "$big" "$swu big.txt alpha ALPHA -C -V:0 --diff" \
        "$swu big.txt alpha ALPHA -C -V:0"
      compare diff-growing 3 "$big" \
        "$swu big.txt alpha ALPHA-1 -C -V:0 --diff" \
        "$swu big.txt alpha ALPHA-1 -C -V:0" ;;
    tree) compare tree 2 "$tree" "$swu tree/*.txt needle pinned -R -C -V:0" \
      "$swu tree/*.txt needle pinned -R -C -V:0 --threads 1" \
      "rg -c -F needle tree" \
      "sh -c \"rg -l -F needle tree | xargs sd -s needle pinned\"" \
      "find tree -name *.txt -exec sd -s needle pinned {} ;" ;;
    tree100k) compare $bt 3 "$btree" "$swu $bt/*.txt needle thimbl -R -C -V:0" \
      "$swu $bt/*.txt needle thimbl -R -C -V:0 --threads 1" \
      "rg -c -F needle $bt" \
      "sh -c \"rg -l -F needle $bt | xargs sd -s needle thimbl\"" ;;
    # The same command on both trees in one hyperfine run, each with its
    # own fresh copy.
    scaling)
      hyperfine -N -i --style basic --warmup 1 --runs 3 \
        --prepare "$tree" --prepare "$btree" --export-json scaling.json \
        "$swu tree/*.txt needle thimbl -R -C -V:0" \
        "$swu $bt/*.txt needle thimbl -R -C -V:0" >/dev/null
      python3 - scaling.json 10000 "$(du -sk --apparent-size tree.base | cut -f1)" \
        $big_files "$(du -sk --apparent-size $bt.base | cut -f1)" <<'PY'
import json, sys
rs = json.load(open(sys.argv[1]))["results"]
files = [int(sys.argv[2]), int(sys.argv[4])]
mib = [int(sys.argv[3]) / 1024, int(sys.argv[5]) / 1024]
print("\nscaling (swu, default threads)")
print("  %-8s %9s %9s %16s %10s" % ("files", "MiB", "mean ms",
                                    "ms/1000 files", "ms/MiB"))
per = []
for r, n, m in zip(rs, files, mib):
    per.append(r["mean"] * 1000 / (n / 1000))
    print("  %-8d %9.0f %9.1f %16.2f %10.3f" % (n, m, r["mean"] * 1000,
                                                per[-1], r["mean"] * 1000 / m))
print("  per-file cost, large / small: %.3f (1.0 = linear)" % (per[1] / per[0]))
PY
      ;;
    treememory)
      echo; echo "treememory (peak resident memory)"
      rm -rf tree && cp -a tree.base tree
      /usr/bin/time -f "  swu tree (10 000 files)       %M KiB" \
        "$swu" "tree/*.txt" needle thimbl -R -C -V:0
      # rg first, on the fresh copy it leaves as it is: run after swu it
      # would find no needle and exit 1.
      rm -rf $bt && cp -a $bt.base $bt
      /usr/bin/time -f "  rg -c $bt ($big_files files) %M KiB" \
        rg -c -F needle $bt >/dev/null
      /usr/bin/time -f "  swu $bt ($big_files files)  %M KiB" \
        "$swu" "$bt/*.txt" needle thimbl -R -C -V:0 ;;
    threads) compare threads 5 "$tree" \
      "$swu tree/*.txt needle pinned -R -C -V:0 --threads 1" \
      "$swu tree/*.txt needle pinned -R -C -V:0 --threads 2" \
      "$swu tree/*.txt needle pinned -R -C -V:0 --threads 4" \
      "$swu tree/*.txt needle pinned -R -C -V:0 --threads 8" ;;
    long) compare long 5 'cp long.base long.txt' \
      "$swu long.txt -L long.search x -V:0" ;;
    long-files)
      [ -f huge.search ] || python3 -c \
        "open('huge.search', 'wb').write(b'ab' * 50000000)"
      mkdir -p few && for i in $(seq -w 1 20); do printf hello > few/$i.txt; done
      compare long-files 3 true "$swu few/01.txt -L huge.search x -V:0" \
        "$swu few/*.txt -L huge.search x -V:0" ;;
    memory)
      cp big.base big.txt
      echo; echo "memory"
      /usr/bin/time -f "  peak %M KiB (file $(($(stat -c %s big.base) / 1024)) KiB)" \
        "$swu" big.txt alpha ALPHA -C -V:0 ;;
    count)
      head -c 16777216 big.base > count.txt
      echo; echo "count (instructions in the matcher, 16 MiB, report only)"
      for args in "needle x -C" "needle x" "NOSUCHWORD x -C" "alpha x -C"; do
        # shellcheck disable=SC2086
        valgrind --tool=callgrind --callgrind-out-file=count.out \
          --toggle-collect='swu::FileSearch::FindNextMatch*' \
          "$swu" count.txt $args -#:0 -V:0 2>count.log || true
        printf "  %-18s %14s Ir\n" "$args" \
          "$(awk '/Collected :/ {print $NF}' count.log)"
      done ;;
    *) echo "unknown workload: $w" >&2; exit 2 ;;
  esac
done
