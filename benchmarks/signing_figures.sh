#!/usr/bin/env bash
# The figures of signing the notice at full size (32,766 subjects), in one run: the program's
# signing (sign_file: the file's digest checked against the validated one, PIN, CAdES-BES through
# the token, the .p7m written and synced) against
#   openssl cms -sign -cades -binary -nodetach -md sha256
# of the same file with the same key through the same SoftHSM2 token (libp11's PKCS#11 engine),
# run alternately, PAIRS pairs: the wall time of each, the ratio of each pair and the median ratio.
#
#   benchmarks/signing_figures.sh [BUILD_DIR] [PAIRS]
#
# BUILD_DIR is a Release build (default build/bench: cmake -S . -B build/bench -G Ninja
# -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF, then cmake --build build/bench --target
# nerovale-batch full_workspace sign_file). PAIRS is 7 unless said. Needs softhsm2, opensc
# (pkcs11-tool) and libengine-pkcs11-openssl, which scripts/install-deps.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build/bench}")"
pairs="${2:-7}"
work="$(mktemp -d "${TMPDIR:-/tmp}/nerovale-signing.XXXXXX")"
trap 'rm -rf "$work"' EXIT
module=/usr/lib/softhsm/libsofthsm2.so
pin=1234

"$build/benchmarks/full_workspace" "$work" 32766 >/dev/null
cd "$work"
"$build/app/nerovale-batch" --senza-registro --numero 1 --data 30/11/2026 --dest . export.csv >/dev/null
notice=$(ls ./*/*.xml)
sha=$(sha256sum "$notice" | cut -d' ' -f1)

# The token: SoftHSM2 with its store here, an RSA 2048 key and its certificate.
mkdir tokens
printf 'directories.tokendir = %s/tokens\nobjectstore.backend = file\nlog.level = ERROR\n' "$work" > softhsm2.conf
export SOFTHSM2_CONF="$work/softhsm2.conf"
softhsm2-util --init-token --free --label figures --pin "$pin" --so-pin 123456 >/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 30 -subj "/CN=ROSSI MARIO" \
  -addext keyUsage=critical,nonRepudiation 2>/dev/null
openssl pkcs8 -topk8 -nocrypt -in key.pem -out key8.pem
softhsm2-util --import key8.pem --token figures --label firma --id 01 --pin "$pin" >/dev/null
openssl x509 -in cert.pem -outform DER -out cert.der
pkcs11-tool --module "$module" --token-label figures --login --pin "$pin" --write-object cert.der --type cert \
  --id 01 --label firma >/dev/null
rm key.pem key8.pem
cat > engine.cnf <<CNF
openssl_conf = init
[init]
engines = engines
[engines]
pkcs11 = pkcs11_section
[pkcs11_section]
engine_id = pkcs11
MODULE_PATH = $module
CNF

elapsed() {
  local start end
  start=$EPOCHREALTIME
  "$@" >/dev/null 2>err.txt || { echo "failed: $*" >&2; cat err.txt >&2; exit 1; }
  end=$EPOCHREALTIME
  echo "$end - $start" | bc -l
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "signing the notice of 32,766 subjects ($(stat -c %s "$notice") bytes) on SoftHSM2, $pairs pairs"
printf '%-5s %10s %10s %8s\n' pair program_s openssl_s ratio
: > ratios.txt; : > program.txt; : > openssl.txt
for ((i = 1; i <= pairs; i++)); do
  rm -f "$notice.p7m" cli.p7m
  program_s=$(elapsed "$build/benchmarks/sign_file" "$module" firma "$pin" "$notice" "$sha")
  openssl_s=$(elapsed env OPENSSL_CONF="$work/engine.cnf" openssl cms -sign -cades -binary -nodetach -md sha256 \
    -in "$notice" -outform DER -out cli.p7m -signer cert.pem -engine pkcs11 -keyform engine \
    -inkey "pkcs11:token=figures;object=firma;type=private;pin-value=$pin")
  ratio=$(echo "$program_s / $openssl_s" | bc -l)
  echo "$ratio" >> ratios.txt; echo "$program_s" >> program.txt; echo "$openssl_s" >> openssl.txt
  printf '%-5s %10.3f %10.3f %8.2f\n' "$i" "$program_s" "$openssl_s" "$ratio"
done
printf 'median: program %.3f s, openssl cms %.3f s, ratio %.2f\n' \
  "$(median < program.txt)" "$(median < openssl.txt)" "$(median < ratios.txt)"
# Both signed files open to the notice, byte for byte.
for f in "$notice.p7m" cli.p7m; do
  openssl cms -verify -binary -inform DER -in "$f" -noverify -out content.xml 2>/dev/null
  cmp -s content.xml "$notice" || { echo "$f does not open to the notice" >&2; exit 1; }
done
echo "both signed files verified by openssl cms -verify, content identical to the notice"
