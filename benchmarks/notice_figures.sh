#!/usr/bin/env bash
# The figures of the notice at full size, in one run:
#  - nerovale-batch on 32,766 subjects (import, checks, notice written and validated) against
#    xmllint --stream --noout --schema on the notice it wrote, run alternately, PAIRS pairs: the wall
#    time of each, the ratio of each pair and the median ratio; the peak memory of each, as
#    /usr/bin/time -v reports it;
#  - the import of the 32,766 lines (import_benchmark);
#  - the output step alone (write, sync, validate) against xmllint --stream (output_benchmark);
#  - the window at 32,767 subjects (window_benchmark), when it was built.
#
#   benchmarks/notice_figures.sh [BUILD_DIR] [PAIRS]
#
# BUILD_DIR is a Release build (default build/bench: cmake -S . -B build/bench -G Ninja
# -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF, then cmake --build build/bench --target
# nerovale-batch full_workspace import_benchmark output_benchmark window_benchmark). PAIRS is 5
# unless said. NEROVALE_BATCH names another nerovale-batch to measure (an earlier build, say).
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build/bench}")"
pairs="${2:-5}"
batch="$(realpath "${NEROVALE_BATCH:-$build/app/nerovale-batch}")"
work="$(mktemp -d "${TMPDIR:-/tmp}/nerovale-figures.XXXXXX")"
trap 'rm -rf "$work"' EXIT

"$build/benchmarks/full_workspace" "$work" 32766
cd "$work"

# Runs a command under /usr/bin/time -v; prints "seconds peak_kib" (wall time measured here, to the
# microsecond).
measure() {
  local start end
  start=$EPOCHREALTIME
  /usr/bin/time -v -o time.txt "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; cat time.txt >&2; exit 1; }
  end=$EPOCHREALTIME
  echo "$(echo "$end - $start" | bc -l) $(sed -n 's/.*Maximum resident set size (kbytes): //p' time.txt)"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "nerovale-batch on 32,766 subjects against xmllint --stream --noout --schema, $pairs pairs"
echo "batch: $batch"
printf '%-5s %10s %10s %8s %12s %12s\n' pair batch_s xmllint_s ratio batch_MiB xmllint_MiB
: > ratios.txt
: > peaks.txt
: > batch_s.txt
: > xmllint_s.txt
for ((i = 1; i <= pairs; i++)); do
  rm -rf out && mkdir out
  read -r batch_s batch_kib < <(measure "$batch" --numero 1 --data 30/11/2026 --dest out export.csv)
  [ -n "$batch_s" ] || exit 1
  notice=$(ls out/*/*.xml)
  read -r lint_s lint_kib < <(measure xmllint --stream --noout --schema ref/validate.xsd "$notice")
  ratio=$(echo "$batch_s / $lint_s" | bc -l)
  echo "$ratio" >> ratios.txt
  echo "$batch_s" >> batch_s.txt
  echo "$lint_s" >> xmllint_s.txt
  echo "$batch_kib $lint_kib" >> peaks.txt
  printf '%-5s %10.3f %10.3f %8.2f %12.1f %12.1f\n' "$i" "$batch_s" "$lint_s" "$ratio" \
    "$(echo "$batch_kib / 1024" | bc -l)" "$(echo "$lint_kib / 1024" | bc -l)"
done
printf 'median: batch %.3f s, xmllint --stream %.3f s, ratio %.2f; peak memory batch %.1f MiB, xmllint %.1f MiB\n' \
  "$(median < batch_s.txt)" "$(median < xmllint_s.txt)" "$(median < ratios.txt)" \
  "$(awk '$1 > m { m = $1 } END { print m / 1024 }' peaks.txt)" "$(awk '$2 > m { m = $2 } END { print m / 1024 }' peaks.txt)"
echo "notice: $(stat -c %s "$notice") bytes, $(wc -l < "$notice") lines"
echo

cd - >/dev/null
"$build/benchmarks/import_benchmark"
"$build/benchmarks/output_benchmark"
if [ -x "$build/benchmarks/window_benchmark" ]; then
  QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$build/benchmarks/window_benchmark"
fi
