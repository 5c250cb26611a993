#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Nerovale need, when missing
# (poppler-utils: pdftotext, with which the tests read back the PDF files the program makes; strace:
# the tests that kill the programs at chosen system calls; libsqlite3-dev: the register of notices,
# sqlite3: to read it by hand; libssl-dev, libp11-kit-dev: the signature (OpenSSL, the PKCS#11
# header); softhsm2: the token of the signing tests; opensc: the module of Italian signature cards,
# and pkcs11-tool; libengine-pkcs11-openssl: OpenSSL's own signing through the token, with which the
# signing benchmark compares; lintian, desktop-file-utils and appstream: the checks of the Debian
# package, scripts/check-package.sh).
set -euo pipefail
packages=(build-essential cmake ninja-build qt6-base-dev qt6-translations-l10n libxml2-dev libxml2-utils
          libsqlite3-dev sqlite3 libssl-dev libp11-kit-dev softhsm2 opensc libengine-pkcs11-openssl
          libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-dejavu-core poppler-utils strace dpkg-dev lintian desktop-file-utils appstream)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
