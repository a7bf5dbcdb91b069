#!/usr/bin/env bash
# Installs what is needed, builds and runs every test; then the guardrails:
# a clang build with the address and undefined-behaviour sanitizers runs the
# tests that open no window (and the layering test), and each fuzz target
# runs for QUENZAR_FUZZ_SEGUNDOS (15 by default). Arguments go to both ctest
# runs; QUENZAR_SIN_GUARDAS=1 skips the guardrails.
set -euo pipefail
cd "$(dirname "$0")/.."
inicio=$SECONDS
./scripts/instalar-dependencias.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENZAR_PRUEBAS=ON -DQUENZAR_BENCH=ON >/dev/null
cmake --build build
(cd build && ctest --output-on-failure -j2 "$@")
echo "Compilación y pruebas: $((SECONDS - inicio)) s"

if [ "${QUENZAR_SIN_GUARDAS:-}" = 1 ]; then exit 0; fi
guardas=$SECONDS
cmake -S . -B build-guardas -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=None "-DCMAKE_C_FLAGS=-O1 -gline-tables-only" "-DCMAKE_CXX_FLAGS=-O1 -gline-tables-only" \
    -DQUENZAR_FUZZ=ON -DQUENZAR_PRUEBAS=ON -DQUENZAR_BENCH=OFF \
    -DQUENZAR_FUZZ_SEGUNDOS="${QUENZAR_FUZZ_SEGUNDOS:-15}" >/dev/null
cmake --build build-guardas --target guardas
compilada=$SECONDS
# Qt's and fontconfig's allocations that live to the end of the process are not ours.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1"
(cd build-guardas && ctest --output-on-failure -j2 -L sin_ventanas "$@")
probadas=$SECONDS
(cd build-guardas && ctest --output-on-failure -j2 -L fuzz "$@")
echo "Guardas: compilación $((compilada - guardas)) s, pruebas con sanitizadores $((probadas - compilada)) s," \
    "fuzz $((SECONDS - probadas)) s; total $((SECONDS - inicio)) s"
