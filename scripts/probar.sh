#!/usr/bin/env bash
# Installs what is needed, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/instalar-dependencias.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENZAR_PRUEBAS=ON -DQUENZAR_BENCH=ON >/dev/null
cmake --build build
cd build
ctest --output-on-failure -j2 "$@"
