#!/usr/bin/env bash
# Installs what is needed, builds, creates the embedded demo database when
# missing and starts the program on it, as the suite's menu would.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/instalar-dependencias.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target Quenzar quenzar-generar-demo
./build/bin/quenzar-generar-demo --si-falta >/dev/null
exec ./build/bin/Quenzar "@Server=SQLITE;@DbName=QUENZAR;@Usuario=ADMIN;@Password=admin;@UsuarioLogeado=ADMIN;@Caja=1;" "$@"
