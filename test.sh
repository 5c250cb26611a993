#!/usr/bin/env bash
# Builds Nerovale with its tests and benchmarks and runs the whole test suite.
# NEROVALE_SANITIZE=ON builds with AddressSanitizer and UndefinedBehaviorSanitizer (in its own folder);
# NEROVALE_WERROR=ON turns warnings into errors.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
sanitize="${NEROVALE_SANITIZE:-OFF}"
build="build/test"
[ "$sanitize" = "ON" ] && build="build/sanitize"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNEROVALE_SANITIZE="$sanitize" \
      -DNEROVALE_WERROR="${NEROVALE_WERROR:-OFF}" -DNEROVALE_BENCHMARKS="$([ "$sanitize" = ON ] && echo OFF || echo ON)" >/dev/null
cmake --build "$build" -j 2
ctest --test-dir "$build" --output-on-failure -j 2
