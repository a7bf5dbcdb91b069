#!/usr/bin/env bash
# Starts the program under Xvfb on a fresh demo database and saves a
# screenshot of the cheque-book list window.
#   tools/captura.sh [salida.png]
set -euo pipefail
cd "$(dirname "$0")/.."
salida="${1:-docs/captura-lista.png}"
./scripts/instalar-dependencias.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target Quenzar quenzar-generar-demo >/dev/null
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
./build/bin/quenzar-generar-demo "$tmp/datos" >/dev/null
mkdir -p "$(dirname "$salida")"
export QUENZAR_CARPETA_APLICACION="$tmp" QUENZAR_DATOS="$tmp/datos" QUENZAR_CARPETA_INI="$tmp/ini"
xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
    ./build/bin/Quenzar "@Server=SQLITE;@DbName=QUENZAR;@Usuario=ADMIN;@Password=admin;" &
    programa=$!
    for _ in $(seq 1 50); do
        sleep 0.2
        xwininfo -root -tree 2>/dev/null | grep -q "\"Quenzar\"" && break
    done
    sleep 1
    ventana=$(xwininfo -root -tree | awk "/\"Quenzar\"/ {print \$1; exit}")
    import -window "${ventana:-root}" "'"$salida"'"
    kill $programa'
echo "captura: $salida"
