#!/usr/bin/env bash
# The Debian package made and tried, as CI does after the Release build:
#
#   scripts/check-package.sh BUILD_DIR
#
# makes nerovale_<version>-1_<arch>.deb in BUILD_DIR (CPack), runs lintian (no error allowed),
# desktop-file-validate and appstreamcli validate on what it installs, unpacks it into a temporary
# root (dpkg -x) and there, from a working folder that has config.ini but no ref/: makes a notice
# with the unpacked nerovale-batch, which must find the installed tables and schema, name that schema
# in the notice and pass it (checked again with xmllint); and opens the main window of the unpacked
# nerovale offscreen, which must come up and close by itself, exit status 0, on SIGTERM as on the end
# of a session.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:?build folder}")"
cmake --build "$build" --target nerovale nerovale-batch nerovale-tabelle packaging_files
rm -f "$build"/nerovale_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls "$build"/nerovale_*.deb)"
ls -l "$deb"
dpkg-deb --field "$deb" Package Version Depends Recommends

echo "== lintian --fail-on error $(basename "$deb")"
lintian --fail-on error "$deb"

root="$(mktemp -d "${TMPDIR:-/tmp}/nerovale-deb.XXXXXX")"
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root/usr-root"
installed="$root/usr-root/usr"
echo "== desktop-file-validate usr/share/applications/*.desktop"
desktop-file-validate "$installed"/share/applications/*.desktop
echo "== appstreamcli validate --no-net usr/share/metainfo/*.metainfo.xml"
appstreamcli validate --no-net "$installed"/share/metainfo/*.metainfo.xml

work="$root/ufficio"
mkdir -p "$work/out"
printf 'H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n' > "$work/config.ini"
printf 'rossi,mario,m,5/3/1950,roma,,,RSSMRA50C05H501F,,10/1/2024,,milano,,12,milano,2024,7\r\n' > "$work/export.csv"
cd "$work"
echo "== nerovale-batch in a working folder without ref/"
"$installed/bin/nerovale-batch" --numero 1 --data "$(date +%d/%m/%Y)" --dest out export.csv
notice="$(ls out/*/*.xml)"
schema="$installed/share/nerovale/ref/validate.xsd"
grep -qF "xsi:noNamespaceSchemaLocation=\"$schema\"" "$notice" ||
  { echo "the notice does not name the installed schema $schema" >&2; exit 1; }
xmllint --noout --schema "$schema" "$notice"

echo "== nerovale offscreen in the same folder"
QT_QPA_PLATFORM=offscreen "$installed/bin/nerovale" > "$root/window.log" 2>&1 &
window=$!
# The program catches SIGTERM once its main window is made (SigCgt in /proc shows it), and answers it
# from its event loop by closing that window: an exit status of 0 after SIGTERM says the window came
# up and ran.
caught() {
  local mask
  mask=$(sed -n 's/^SigCgt:\t*//p' "/proc/$window/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (( 0x$mask & (1 << 14) ))
}
for ((i = 0; i < 60; i++)); do caught && break; sleep 0.5; done
sleep 2
if ! kill -0 "$window" 2>/dev/null || ! caught; then
  kill -KILL "$window" 2>/dev/null || true
  wait "$window" || true
  echo "the window did not come up:" >&2
  cat "$root/window.log" >&2
  exit 1
fi
kill -TERM "$window"
status=0
wait "$window" || status=$?
cat "$root/window.log"
[ "$status" -eq 0 ] || { echo "the window ended with status $status on SIGTERM" >&2; exit 1; }
[ ! -e "$work/ref" ] || { echo "a ref/ folder appeared in the working folder" >&2; exit 1; }
echo "package checked: $(basename "$deb")"
