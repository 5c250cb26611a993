#!/usr/bin/env bash
# Builds Nerovale and starts it in this folder, on the shipped reference tables.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DNEROVALE_BENCHMARKS=OFF >/dev/null
cmake --build build/release --target nerovale nerovale-batch nerovale-tabelle
exec build/release/app/nerovale "$@"
