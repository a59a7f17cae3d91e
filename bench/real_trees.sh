#!/usr/bin/env bash
# Ten everyday jobs on trees no one here wrote, each done once with swu and
# once with the tool a POSIX user would pick for it (sed -i via find/xargs,
# perl -pi, sd, rpl, rg -l | xargs sd, grep -l | xargs sed).
#   bench/real_trees.sh [build-dir] [job...]      (default: build, all ten)
# Trees, copied once into bench/work-real/base/ and copied afresh (cp -a)
# before every run:
#   hdr   /usr/include (its in-tree symlinks kept; the one link that leaves
#         the tree is pointed at a copy of its target in hdr/outside/, so
#         no tool can reach the system's file through it)
#   py    the Python standard library (sysconfig stdlib, with its .pyc and
#         .so files; site-packages left out)
#   perl  the Perl library (/usr/share/perl/5.*), when present
# Per job it prints both commands, their exit statuses, how many files each
# changed (content, and modification times), whether the two result trees
# agree (diff -r), and the means of one hyperfine run that times both side
# by side (the machine may be shared: read the ratio, not the times).
# A summary goes to bench/work-real/results.tsv.
# Needs hyperfine, sd, rpl, ripgrep, GNU sed/grep/diff/find, perl, patch.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
shift || true
[ -x "$build/swu" ] || { echo "no swu in $build" >&2; exit 2; }
export PATH="$build:$PATH" LC_ALL=C
unset SWU_OPTIONS
jobs_wanted=${*:-}
work=$here/work-real
mkdir -p "$work/base" "$work/cmd"
cd "$work" || exit 2

# --- the trees ------------------------------------------------------------
if [ ! -d base/hdr ]; then
  mkdir -p base/hdr/outside && cp -a /usr/include base/hdr/include
  # Links that leave the tree (absolute, or climbing out of it): those that
  # resolve to a file get a copy of it beside the tree, the rest dangle.
  find base/hdr/include -type l | while read -r l; do
    case $(readlink -m "$l") in "$work"/base/hdr/include/*) continue ;; esac
    t=$(readlink -e "$l") || continue
    [ -f "$t" ] || continue
    n=$(basename "$l")
    cp "$t" "base/hdr/outside/$n"
    rel=$(dirname "${l#base/hdr/}" | sed 's|[^/][^/]*|..|g')
    ln -sfn "$rel/outside/$n" "$l"
  done
fi
if [ ! -d base/py ]; then
  stdlib=$(python3 -c 'import sysconfig; print(sysconfig.get_paths()["stdlib"])')
  mkdir -p "base/py/$(basename "$stdlib")"
  (cd "$stdlib" && tar cf - --exclude=./site-packages .) |
    tar xf - -C "base/py/$(basename "$stdlib")"
fi
pyd=$(basename "$(ls -d base/py/*/ | head -1)")
perld=$(ls -d /usr/share/perl/5.*/ 2>/dev/null | while read -r d; do
  [ -L "${d%/}" ] || echo "${d%/}"; done | head -1)
if [ -n "$perld" ] && [ ! -d base/perl ]; then
  mkdir -p base/perl && cp -a "$perld" base/perl/
fi
[ -d base/perl ] && pld=$(basename "$(ls -d base/perl/*/ | head -1)")

# --- helpers --------------------------------------------------------------
# Each command is written to a small script that enters the tree copy given
# as its argument, so hyperfine runs both tools the same way (sh, then the
# command) and the correctness run uses the very same text.
mkcmd() {  # file command-text
  printf 'cd "$1" || exit 99\n%s\n' "$2" > "cmd/$1"
}
# Modification and change times of every file, to count what a run touched.
stamps() { (cd "$1" && find . -type f -printf '%P %T@ %C@\n' | sort); }
count_changed() { diff <(echo "$1") <(echo "$2") | grep -c '^>' ; }
fresh() { rm -rf "$1" && cp -a "base/$2" "$1"; }

printf 'job\ttree\tswu\tpeer\tswu_status\tpeer_status\tswu_changed\tpeer_changed\tswu_touched\tpeer_touched\tagree\tdiffering\tswu_ms\tpeer_ms\tratio\n' > results.tsv

# job name tree swu-command peer-command [first-run-swu first-run-peer]
# With the first-run commands, each tool first does that run on its copy
# and the job is the run after it (changed/touched then count from there).
job() {
  local name=$1 tree=$2 swu_cmd=$3 peer_cmd=$4 pre_s=${5:-} pre_p=${6:-}
  if [ -n "$jobs_wanted" ] && [[ " $jobs_wanted " != *" $name "* ]]; then
    return
  fi
  mkcmd "$name.swu" "$swu_cmd"
  mkcmd "$name.peer" "$peer_cmd"
  mkcmd "$name.pre-swu" "${pre_s:-:}"
  mkcmd "$name.pre-peer" "${pre_p:-:}"
  printf 'rm -rf "$1" && cp -a base/%s "$1" && sh cmd/%s "$1" >/dev/null 2>&1\n' \
    "$tree" "$name.pre-swu" > "cmd/$name.prep-swu"
  printf 'rm -rf "$1" && cp -a base/%s "$1" && sh cmd/%s "$1" >/dev/null 2>&1\n' \
    "$tree" "$name.pre-peer" > "cmd/$name.prep-peer"

  echo
  echo "=== $name (tree: $tree)"
  echo "  swu : $swu_cmd"
  echo "  peer: $peer_cmd"
  [ -n "$pre_s" ] && echo "  (each after its own first run of the same command)"

  # Correctness: each tool on its own fresh copy.
  local st_s st_p b_s b_p a_s a_p
  sh "cmd/$name.prep-swu" s; b_s=$(stamps s)
  sh "cmd/$name.swu" s > "$name.swu.out" 2> "$name.swu.err"; st_s=$?
  a_s=$(stamps s)
  sh "cmd/$name.prep-peer" p; b_p=$(stamps p)
  sh "cmd/$name.peer" p > "$name.peer.out" 2> "$name.peer.err"; st_p=$?
  a_p=$(stamps p)
  sh "cmd/$name.prep-swu" before   # the tree as the job found it
  local ch_s ch_p t_s t_p agree ndiff
  ch_s=$(diff -rq --no-dereference before s | wc -l)
  ch_p=$(diff -rq --no-dereference before p | wc -l)
  t_s=$(count_changed "$b_s" "$a_s")
  t_p=$(count_changed "$b_p" "$a_p")
  diff -r --no-dereference s p > "$name.diff" 2>&1
  ndiff=$(diff -rq --no-dereference s p 2>&1 | wc -l)
  if [ "$ndiff" -eq 0 ]; then agree=yes; else agree=no; fi
  echo "  exit status: swu $st_s, peer $st_p"
  echo "  files changed: swu $ch_s, peer $ch_p; files whose times changed: swu $t_s, peer $t_p"
  if [ "$ndiff" -eq 0 ]; then echo "  trees agree (diff -r): yes"
  else echo "  trees agree (diff -r): no, $ndiff differing paths (see $work/$name.diff)"; fi
  [ "$ndiff" -gt 0 ] && diff -rq --no-dereference s p 2>&1 | head -5 | sed 's/^/    /'
  [ "$(type -t "check_$name")" = function ] && "check_$name"

  # Timing: both in one hyperfine run, each on a fresh copy.
  hyperfine -N -i --style none --warmup 1 --runs 5 \
    --prepare "sh cmd/$name.prep-swu w" --prepare "sh cmd/$name.prep-peer w" \
    --export-json "$name.json" "sh cmd/$name.swu w" "sh cmd/$name.peer w" \
    > /dev/null 2>&1
  local times
  times=$(python3 -c 'import json,sys
r=json.load(open(sys.argv[1]))["results"]
s,p=r[0]["mean"],r[1]["mean"]
print("%.1f %.1f %.2f" % (s*1e3, p*1e3, s/p))' "$name.json")
  set -- $times
  echo "  mean ms: swu $1, peer $2; ratio swu/peer $3"
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' \
    "$name" "$tree" "$swu_cmd" "$peer_cmd" "$st_s" "$st_p" "$ch_s" "$ch_p" \
    "$t_s" "$t_p" "$agree" "$ndiff" "$1" "$2" "$3" >> results.tsv
}

# Extra checks for the preview job: the diff that swu printed, applied to a
# fresh copy, must give what the real run gives; rg -r prints one line per
# changed line, to be compared with the diff's added lines.
check_preview() {
  fresh applied py
  (cd applied && patch -s -p1 --binary < "../preview.swu.out") > /dev/null 2>&1
  local pst=$? real
  fresh real py
  sh cmd/preview.real real > /dev/null 2>&1
  if [ $pst -eq 0 ] && diff -r --no-dereference applied real > /dev/null; then
    real="yes"
  else
    real="NO (patch status $pst)"
  fi
  echo "  swu --diff applied with patch -p1 gives the real run's tree: $real"
  echo "  changed lines: swu --diff $(($(grep -c '^+' preview.swu.out) - $(grep -c '^+++ ' preview.swu.out)))," \
       "rg -r $(grep -c . preview.peer.out)"
}

# --- the ten jobs ---------------------------------------------------------
# 1 Rename a macro case-sensitively, whole words only, across the headers.
job rename-ident hdr \
  "swu 'include/*.h' -R __BEGIN_DECLS __BEGIN_C_DECLS -C --word" \
  "find include -name '*.h' -type f -print0 | xargs -0 sed -i 's/\\b__BEGIN_DECLS\\b/__BEGIN_C_DECLS/g'"

# 2 Bump a version string in the headers that carry it.
job version-bump hdr \
  "swu 'include/*.h' -R 3.0.19 3.0.20 -C" \
  "rpl -q -F -R -x '*.h' 3.0.19 3.0.20 include"

# 3 Delete every line holding an editor modeline marker.
[ -n "${pld:-}" ] && job delete-lines perl \
  "swu '$pld/*.pm' -R vim: '' -D -C" \
  "find $pld -name '*.pm' -type f -exec sed -i '/vim:/d' {} +"

# 4 Append the closing "1;" line to the modules that have no such line
#   (#1;! is a whole line "1;" for swu, -x for grep).
[ -n "${pld:-}" ] && job append-missing perl \
  "swu '$pld/*.pm' -R '#1;!' '&' -T -D -X -C" \
  "grep -rLZ -x -F --include='*.pm' -e '1;' $pld | xargs -0 sed -i '\$a1;'"

# 5 Replace in the *.py files only (the tree also holds .pyc, .so, .txt...).
job only-py py \
  "swu '$pyd/*.py' -R 'os.path.join(' 'join_path(' -C" \
  "find $pyd -name '*.py' -type f -exec perl -pi -e 's/\\Qos.path.join(\\E/join_path(/g' {} +"

# 6 A case-insensitive replace over every file of the headers.
job case-insensitive hdr \
  "swu 'include/*' -R copyright Copyright" \
  "rg -l0 -i -F copyright include | xargs -0 sd -f i -s copyright Copyright"

# 7 Preview the change of job 5 without writing anything.
mkcmd preview.real "swu '$pyd/*.py' -R 'os.path.join(' 'join_path(' -C"
job preview py \
  "swu '$pyd/*.py' -R 'os.path.join(' 'join_path(' -C --diff" \
  "rg -F -g '*.py' -r 'join_path(' 'os.path.join(' $pyd"

# 8 Replace in the files another tool lists (NUL-separated names).
job files0-from py \
  "rg -l0 -F http:// $pyd | swu --files0-from - http:// https:// -C" \
  "rg -l0 -F http:// $pyd | xargs -0 sd -s http:// https://"

# 9 Replace across every file, leaving binary files (.pyc, .so) alone.
job skip-binary py \
  "swu '$pyd/*' -R $pyd ${pyd%.*}.99 -C --skip-binary" \
  "grep -rIlZ -F $pyd $pyd | xargs -0 sed -i 's/${pyd//./\\.}/${pyd%.*}.99/g'"

# 10 Run job 1 a second time: nothing is left to change.
job noop-second hdr \
  "swu 'include/*.h' -R __BEGIN_DECLS __BEGIN_C_DECLS -C --word" \
  "find include -name '*.h' -type f -print0 | xargs -0 sed -i 's/\\b__BEGIN_DECLS\\b/__BEGIN_C_DECLS/g'" \
  "swu 'include/*.h' -R __BEGIN_DECLS __BEGIN_C_DECLS -C --word" \
  "find include -name '*.h' -type f -print0 | xargs -0 sed -i 's/\\b__BEGIN_DECLS\\b/__BEGIN_C_DECLS/g'"

rm -rf s p w before applied real
echo
echo "summary: $work/results.tsv"
