#!/usr/bin/env bash
# Installs what the tests need, then builds and runs every test, on Linux and then under Wine: the
# README's test command, and what CI runs.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

echo "== packages"
scripts/install-packages.sh

echo "== format"
if command -v clang-format >/dev/null; then
  git ls-files '*.cc' '*.h' | xargs clang-format --dry-run --Werror
else
  echo "clang-format not found: format check skipped"
fi

echo "== Linux build and tests (warnings as errors)"
cmake -S . -B build -DTVC_WERROR=ON -DTVC_BUILD_TESTS=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"

echo "== install, manual page and the Debian and RPM packages"
scripts/test-package.sh

echo "== Windows build, tested under Wine"
scripts/test-windows.sh

echo "== sanitizers and fuzzing"
# The test suite under AddressSanitizer and UndefinedBehaviorSanitizer, then the fuzz targets.
scripts/test-hardening.sh
