#!/usr/bin/env bash
# Kills nerovale-batch and nerovale-tabelle at chosen system calls while they work, as kill -9 or a
# power cut would at that instant (strace's fault injection), and sends them a stop signal at others.
# After every kill: a notice under its own name is whole and valid, the old municipality table is
# whole as the table or as a copy; and the next run works and removes what the killed one left.
#
#   kill_test.sh NEROVALE-BATCH NEROVALE-TABELLE SOURCE-DIR
set -u
batch=$(realpath "$1") tabelle=$(realpath "$2") source=$(realpath "$3")
# LeakSanitizer cannot work under ptrace: in a sanitizer build it would fail every traced run at its end.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FALLITO: $*"; failures=$((failures + 1)); }

# The moments tried for a system call made COUNT times in a whole run: every one up to 40, otherwise
# the first two, twenty spread over the run and the last ten (where the files are written).
moments() {
  local count=$1
  if [ "$count" -le 40 ]; then seq 1 "$count"; return; fi
  { echo 1; echo 2; for i in $(seq 1 20); do echo $((count * i / 21)); done; seq $((count - 9)) "$count"; } | sort -nu
}

# How many times each system call of interest is made in a whole run: RUNNER PROGRAM CALLS.
count_calls() {
  "$1" strace -f -qq -e trace="$3" -o "$work/trace" "$2" > /dev/null 2>&1
  sed -E 's/^[0-9]+ +//; s/\(.*//' "$work/trace" | grep -v '^[+-]' | sort | uniq -c
}

# ---- nerovale-batch -------------------------------------------------------------------------------
app=$work/app
mkdir -p "$app/ref" "$app/dest"
cp "$source/ref/FileCodComuni.txt" "$source/ref/FileCodStati.txt" "$source/ref/validate.xsd" "$app/ref/"
printf 'H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n' > "$app/config.ini"
for i in $(seq 1 300); do  # 600 subjects: the notice takes several blocks to write and to read back
  printf 'rossi,mario,m,5/3/1950,roma,,,RSSMRA50C05H501F,,10/1/2024,,milano,,12,milano,2024,7\r\n'
  printf 'dupont;jean;m;1950;;parigi;francia;;;12/05/2020;;roma;;13;roma;2020;8\r\n'
done > "$app/export.csv"
# The same notice again and again: the register records each (and is killed while it does), without
# refusing the repetition.
run_batch() { (cd "$app" && "$@" --numero 5 --data 30/11/2026 --dest dest --consenti-ripetizioni export.csv); }

# The register opens and holds every notice whole: as many subjects as the notice says, or no notice.
check_register() {
  [ -e "$app/registro.sqlite" ] || return 0
  [ "$(sqlite3 "$app/registro.sqlite" 'PRAGMA integrity_check')" = ok ] || fail "$1: il registro è danneggiato"
  [ "$(sqlite3 "$app/registro.sqlite" 'SELECT count(*) FROM comunicazioni c WHERE soggetti <>
        (SELECT count(*) FROM soggetti s WHERE s.comunicazione = c.id)')" = 0 ] ||
    fail "$1: una comunicazione è registrata a metà"
}

# Every file under the notice's name is valid against the schema (so whole); echoes how many.
check_notices() {
  local found=0 file
  while IFS= read -r -d '' file; do
    found=$((found + 1))
    xmllint --noout --schema "$app/ref/validate.xsd" "$file" > /dev/null 2>&1 || fail "$1: $file non è valido"
  done < <(find "$app/dest" -name 'nerovale_5_20261130.xml' -print0)
  echo "$found"
}

batch_calls=openat,write,pwrite64,fsync,fdatasync,rename,renameat2,link,unlink,mkdir,rmdir,close,flock
batch_moments=0 batch_named=0 batch_signalled=0
while read -r count call; do
  for n in $(moments "$count"); do
    batch_moments=$((batch_moments + 1))
    rm -rf "$app/dest" && mkdir "$app/dest"
    run_batch strace -f -qq -o /dev/null -e inject="$call":signal=SIGKILL:when="$n" "$batch" > /dev/null 2>&1
    named=$(check_notices "$call $n")
    batch_named=$((batch_named + named))
    check_register "$call $n"
    # The next run works and removes what the killed one left: one notice, nothing else.
    if ! run_batch "$batch" > "$work/out" 2>&1; then fail "$call $n: il run successivo non riesce: $(head -c 300 "$work/out")"; fi
    [ "$(check_notices "$call $n, poi")" -eq $((named + 1)) ] || fail "$call $n: il run successivo non ha aggiunto una comunicazione"
    leftovers=$(find "$app/dest" \( -name '*.tmp-*' -o -type d -empty \) | wc -l)
    [ "$leftovers" -eq 0 ] || fail "$call $n: restano $leftovers file temporanei o cartelle vuote"
  done
done < <(count_calls run_batch "$batch" "$batch_calls")

# A stop signal at some of the same moments: exit 2 with a message, or done; never a cut notice.
while read -r count call; do
  for n in $(moments "$count" | awk 'NR % 3 == 0'); do
    batch_signalled=$((batch_signalled + 1))
    rm -rf "$app/dest" && mkdir "$app/dest"
    run_batch strace -f -qq -o /dev/null -e inject="$call":signal=SIGTERM:when="$n" "$batch" > "$work/out" 2>&1
    status=$?
    check_notices "SIGTERM $call $n" > /dev/null
    case $status in
      0) ;;
      143) ;;  # the signal came before the program could catch it: nothing was written yet
      2) grep -q 'interrotto dal segnale SIGTERM' "$work/out" ||
           fail "SIGTERM $call $n: uscita 2 senza il messaggio: $(head -c 300 "$work/out")"
         [ -z "$(find "$app/dest" -name '*.tmp-*')" ] || fail "SIGTERM $call $n: resta un file temporaneo" ;;
      *) fail "SIGTERM $call $n: codice di uscita $status" ;;
    esac
  done
done < <(count_calls run_batch "$batch" write,fsync,rename,renameat2,openat)

# ---- nerovale-batch that signs ---------------------------------------------------------------------
# Killed while it signs the validated notice on a SoftHSM2 token: a signed file under its name is whole
# (OpenSSL opens it to the notice beside it, byte for byte), the notice stays, and nothing is left half
# made. The token is set back before every run: its own files are SoftHSM2's business.
hsm=$work/hsm
mkdir -p "$hsm/tokens"
printf 'directories.tokendir = %s/tokens\nobjectstore.backend = file\nlog.level = ERROR\n' "$hsm" > "$hsm/softhsm2.conf"
export SOFTHSM2_CONF=$hsm/softhsm2.conf
module=/usr/lib/softhsm/libsofthsm2.so
softhsm2-util --init-token --free --label kill --pin 1234 --so-pin 123456 > /dev/null
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$hsm/key.pem" -out "$hsm/cert.pem" -days 30 \
  -subj "/CN=BIANCHI LUCIA" -addext keyUsage=critical,nonRepudiation 2> /dev/null
openssl pkcs8 -topk8 -nocrypt -in "$hsm/key.pem" -out "$hsm/key8.pem"
softhsm2-util --import "$hsm/key8.pem" --token kill --label firma --id 01 --pin 1234 > /dev/null
openssl x509 -in "$hsm/cert.pem" -outform DER -out "$hsm/cert.der"
pkcs11-tool --module "$module" --token-label kill --login --pin 1234 --write-object "$hsm/cert.der" --type cert \
  --id 01 --label firma > /dev/null 2>&1
cp -a "$hsm/tokens" "$hsm/pristine"
printf '1234\n' > "$app/pin.txt"
run_signing() {
  rm -rf "$hsm/tokens" && cp -a "$hsm/pristine" "$hsm/tokens"
  (cd "$app" && "$@" --senza-registro --numero 5 --data 30/11/2026 --dest dest --firma-modulo "$module" \
     --firma-pin-file pin.txt export.csv)
}
# Every signed file opens to the notice beside it.
check_signed() {
  local file
  while IFS= read -r -d '' file; do
    openssl cms -verify -binary -inform DER -in "$file" -noverify -out "$work/content" > /dev/null 2>&1 &&
      cmp -s "$work/content" "${file%.p7m}" || fail "$1: $file non si apre nella comunicazione accanto"
  done < <(find "$app/dest" -name '*.p7m' -print0)
}
sign_moments=0
while read -r count call; do
  for n in $(moments "$count"); do
    sign_moments=$((sign_moments + 1))
    rm -rf "$app/dest" && mkdir "$app/dest"
    run_signing strace -f -qq -o /dev/null -e inject="$call":signal=SIGKILL:when="$n" "$batch" > /dev/null 2>&1
    check_signed "firma $call $n"
    if ! run_signing "$batch" > "$work/out" 2>&1; then fail "firma $call $n: il run successivo non riesce: $(head -c 300 "$work/out")"; fi
    check_signed "firma $call $n, poi"
    [ "$(find "$app/dest" -name '*.p7m' | wc -l)" -ge 1 ] || fail "firma $call $n: il run successivo non ha firmato"
    [ -z "$(find "$app/dest" -name '*.tmp-*')" ] || fail "firma $call $n: resta un file temporaneo"
  done
done < <(count_calls run_signing "$batch" write,fsync,rename,renameat2)
unset SOFTHSM2_CONF

# ---- nerovale-tabelle -----------------------------------------------------------------------------
tab=$work/tab
mkdir -p "$tab/ref"
cp "$source/tests/data/anpr_extract.csv" "$tab/anpr.csv"
printf 'ABANO TERME,A001\r\nCALLIANO,B418\r\nROMA,H501\r\n' > "$work/old_table"
reset_table() { rm -f "$tab/ref/"*; cp "$work/old_table" "$tab/ref/FileCodComuni.txt"; }
# The old table, byte for byte, as the table or as one of its copies (never a temporary file).
old_table_survives() {
  local file
  for file in "$tab/ref/FileCodComuni.txt" "$tab/ref/FileCodComuni.txt."[0-9]*; do
    case $file in *.tmp-*) continue ;; esac
    [ -f "$file" ] && cmp -s "$file" "$work/old_table" && return 0
  done
  return 1
}
run_tabelle() { (cd "$tab" && "$@" --si anpr.csv); }

tabelle_calls=openat,write,fsync,rename,renameat2,link,unlink,close,flock
tabelle_moments=0
reset_table
while read -r count call; do
  for n in $(moments "$count"); do
    tabelle_moments=$((tabelle_moments + 1))
    reset_table
    run_tabelle strace -f -qq -o /dev/null -e inject="$call":signal=SIGKILL:when="$n" "$tabelle" > /dev/null 2>&1
    old_table_survives || fail "tabelle $call $n: la tabella precedente è persa"
    run_tabelle "$tabelle" > "$work/out" 2>&1 || fail "tabelle $call $n: il run successivo non riesce: $(head -c 300 "$work/out")"
    old_table_survives || fail "tabelle $call $n, poi: la tabella precedente è persa"
    [ -z "$(find "$tab/ref" -name '*.tmp-*')" ] || fail "tabelle $call $n: restano file temporanei"
  done
done < <(reset_table; count_calls run_tabelle "$tabelle" "$tabelle_calls")

echo "nerovale-batch: $batch_moments uccisioni (chiamate di sistema $batch_calls), comunicazioni col nome" \
     "finale trovate dopo le uccisioni: $batch_named, tutte valide salvo errori sopra; $batch_signalled SIGTERM"
echo "nerovale-batch che firma: $sign_moments uccisioni (write, fsync, rename: a ognuna), ogni file firmato si apre nella comunicazione accanto salvo errori sopra"
echo "nerovale-tabelle: $tabelle_moments uccisioni (chiamate di sistema $tabelle_calls), tabella precedente intera ogni volta salvo errori sopra"
echo "errori: $failures"
[ "$failures" -eq 0 ]
