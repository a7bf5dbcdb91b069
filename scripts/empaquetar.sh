#!/usr/bin/env bash
# Builds the Debian package quenzar_VERSION_ARCH.deb:
#   ./scripts/empaquetar.sh [CARPETA]        the package is left in CARPETA (the repository by default)
# It installs what the build needs (QUENZAR_SIN_INSTALAR=1 skips that), builds
# the programs in ./build (QUENZAR_BUILD names another build folder) and
# prints the package's path. Its dependencies are those of the libraries the
# programs link (dpkg-shlibdeps); the ODBC drivers and the spreadsheet opener
# the program calls at run time are recommended. QUENZAR_MANTENEDOR sets the
# Maintainer field.
set -euo pipefail
# A folder given relative to where the command was typed.
salida=${1:-}
if [ -n "$salida" ]; then salida=$(mkdir -p "$salida" && cd "$salida" && pwd); fi
cd "$(dirname "$0")/.."
raiz=$PWD
salida=${salida:-$raiz}
build=${QUENZAR_BUILD:-build}
if [ "${QUENZAR_SIN_INSTALAR:-}" != 1 ]; then ./scripts/instalar-dependencias.sh; fi
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target Quenzar quenzar-generar-demo consultas_compartidas >/dev/null

mantenedor=${QUENZAR_MANTENEDOR:-Equipo de Quenzar <soporte@quenzar.org>}
version=$(sed -n 's/^project(Quenzar VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
arquitectura=$(dpkg --print-architecture)
trabajo=$(mktemp -d)
trap 'rm -rf "$trabajo"' EXIT
arbol=$trabajo/debian/quenzar
umask 022

DESTDIR=$arbol cmake --install "$build" --prefix /usr >/dev/null
# As dh_strip leaves them: no symbols, no build notes.
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$arbol"/usr/bin/*
mkdir -p "$arbol/usr/share/man/man1" "$arbol/usr/share/doc/quenzar"
for pagina in paquete/man/*.1; do
    gzip -9n -c "$pagina" >"$arbol/usr/share/man/man1/$(basename "$pagina").gz"
done
cp paquete/copyright "$arbol/usr/share/doc/quenzar/copyright"
# A native package: its changelog is the upstream one.
gzip -9n -c paquete/changelog >"$arbol/usr/share/doc/quenzar/changelog.gz"
find "$arbol" -type d -exec chmod 755 {} +
find "$arbol" -type f -exec chmod 644 {} +
chmod 755 "$arbol"/usr/bin/*

# dpkg-shlibdeps reads the package's name from a debian/control beside it.
mkdir -p "$trabajo/debian"
printf 'Source: quenzar\n\nPackage: quenzar\nArchitecture: any\n' >"$trabajo/debian/control"
depende=$(cd "$trabajo" && dpkg-shlibdeps -O debian/quenzar/usr/bin/quenzar debian/quenzar/usr/bin/quenzar-generar-demo |
    sed -n 's/^shlibs:Depends=//p')
if [ -z "$depende" ]; then
    echo "empaquetar.sh: dpkg-shlibdeps no dio las dependencias" >&2
    exit 1
fi
mkdir -p "$arbol/DEBIAN"
(cd "$arbol" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$arbol/DEBIAN/md5sums"
chmod 644 "$arbol/DEBIAN/md5sums"
cat >"$arbol/DEBIAN/control" <<EOF
Package: quenzar
Version: $version
Architecture: $arquitectura
Maintainer: $mantenedor
Installed-Size: $(du -s -k --apparent-size "$arbol/usr" | cut -f1)
Depends: $depende
Recommends: tdsodbc, odbc-postgresql, xdg-utils
Section: misc
Priority: optional
Description: registro de las chequeras de la empresa
 Quenzar lleva el registro de las chequeras de la empresa: para cada una, el
 banco, la serie, el número de control, el rango de números de cheque y las
 dos cuentas contables que usa. Muestra todas en una lista paginada con
 búsqueda, orden y exportación a planilla, y las crea, cambia y borra en un
 editor que rechaza bancos desconocidos y rangos superpuestos, mantiene al día
 el plan de cuentas y guarda el historial de cada cambio.
 .
 Funciona sobre la base compartida de la empresa (SQL Server, Oracle,
 PostgreSQL) o, en un solo equipo, sobre una base propia: la entrada del menú
 abre la base de demostración, que se crea en la primera ejecución.
EOF
paquete="$salida/quenzar_${version}_${arquitectura}.deb"
dpkg-deb --root-owner-group -Zxz --build "$arbol" "$paquete" >/dev/null
echo "$paquete"
