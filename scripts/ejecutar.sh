#!/usr/bin/env bash
# Installs what is needed, builds, creates the embedded demo database when
# missing and starts the program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/instalar-dependencias.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENZAR_PRUEBAS=OFF -DQUENZAR_BENCH=OFF >/dev/null
cmake --build build --target Quenzar quenzar-generar-demo
exec ./build/bin/Quenzar "$@"
