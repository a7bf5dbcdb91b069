#!/usr/bin/env bash
# The package as it is installed: built from this build folder, its fields
# and files checked, lintian's errors when lintian is there, and the program
# unpacked into a folder of its own and started from its menu entry's command
# line on a home folder that has nothing yet, under a virtual display: it must
# create the demo database in the user's folders and show the list.
#   prueba_paquete.sh BUILD
set -euo pipefail
build=$(cd "$1" && pwd)
fuente=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fallos=0
fallar() {
    echo "FALLA: $*" >&2
    fallos=$((fallos + 1))
}

deb=$(QUENZAR_SIN_INSTALAR=1 QUENZAR_BUILD="$build" "$fuente/scripts/empaquetar.sh" "$tmp")
echo "paquete: $deb ($(stat -c %s "$deb") bytes)"
case $(basename "$deb") in quenzar_*_"$(dpkg --print-architecture)".deb) ;; *) fallar "nombre $deb" ;; esac

campo() { dpkg-deb -f "$deb" "$1"; }
[ "$(campo Package)" = quenzar ] || fallar "Package: $(campo Package)"
[ "$(campo Architecture)" = "$(dpkg --print-architecture)" ] || fallar "Architecture: $(campo Architecture)"
# One version everywhere: the build's, the changelog's, the metainfo's release and the manual pages'.
version=$(sed -n 's/^project(Quenzar VERSION \([0-9.]*\).*/\1/p' "$fuente/CMakeLists.txt")
[ "$(campo Version)" = "$version" ] || fallar "Version: $(campo Version), la del proyecto es $version"
head -n 1 "$fuente/paquete/changelog" | grep -qF "quenzar ($version)" || fallar "el changelog no es de $version"
grep -qF "<release version=\"$version\"" "$fuente/paquete/org.quenzar.Quenzar.metainfo.xml" ||
    fallar "el metainfo no es de $version"
for pagina in "$fuente"/paquete/man/*.1; do
    grep -q "^\.TH .*\"Quenzar $version\"" "$pagina" || fallar "$(basename "$pagina") no es de $version"
done
for dependencia in libqt6widgets6 libsqlite3-0 libodbc2 libpq5 libxlsxwriter4 libsodium23; do
    campo Depends | grep -q "$dependencia" || fallar "Depends sin $dependencia: $(campo Depends)"
done
for recomendado in tdsodbc odbc-postgresql xdg-utils; do
    campo Recommends | grep -q "$recomendado" || fallar "Recommends sin $recomendado"
done

contenido=$(dpkg-deb -c "$deb" | awk '{print $6}')
for ruta in ./usr/bin/quenzar ./usr/bin/quenzar-generar-demo \
    ./usr/share/applications/org.quenzar.Quenzar.desktop \
    ./usr/share/metainfo/org.quenzar.Quenzar.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/org.quenzar.Quenzar.svg \
    ./usr/share/icons/hicolor/48x48/apps/org.quenzar.Quenzar.png \
    ./usr/share/man/man1/quenzar.1.gz ./usr/share/man/man1/quenzar-generar-demo.1.gz \
    ./usr/share/quenzar/consultas.kvt ./usr/share/quenzar/Styles/iTunes \
    ./usr/share/quenzar/Styles/Office2007.cjstyles ./usr/share/doc/quenzar/copyright; do
    grep -qxF "$ruta" <<<"$contenido" || fallar "falta $ruta"
done

if command -v lintian >/dev/null; then
    informe=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v "root privileges" || true)
    [ -n "$informe" ] && echo "$informe"
    if grep -q "^E: " <<<"$informe"; then fallar "lintian informa errores"; fi
else
    echo "lintian no está instalado: no se revisa"
fi

raiz=$tmp/raiz
dpkg-deb -x "$deb" "$raiz"
dpkg-deb -e "$deb" "$tmp/control"
entrada=$raiz/usr/share/applications/org.quenzar.Quenzar.desktop
desktop-file-validate "$entrada" || fallar "la entrada del menú no es válida"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$raiz/usr/share/metainfo/org.quenzar.Quenzar.metainfo.xml" >/dev/null ||
        fallar "metainfo no válido"
fi
gzip -t "$raiz"/usr/share/man/man1/*.gz || fallar "páginas de manual"

# The entry's command line, with the program where the package was unpacked.
exec_linea=$(sed -n 's/^Exec=//p' "$entrada")
[ "${exec_linea%% *}" = quenzar ] || fallar "Exec no empieza por quenzar: $exec_linea"
[ "$exec_linea" = "quenzar $(sed -n 's/^exec \.\/build\/bin\/Quenzar \(".*"\) "\$@"$/\1/p' "$fuente/scripts/ejecutar.sh")" ] ||
    fallar "Exec no es la línea de scripts/ejecutar.sh: $exec_linea"
casa=$tmp/casa
mkdir -p "$casa"
antes=$(cd "$raiz" && find . | sort)
(cd "$raiz" && md5sum --quiet -c "$tmp/control/md5sums") || fallar "los archivos no son los de md5sums"
# The entry's quoting is the shell's for this line: the script runs it as written.
printf 'export PATH="%s/usr/bin:$PATH"\nexec %s\n' "$raiz" "$exec_linea" >"$tmp/arrancar.sh"
# xdotool waits for the window by itself; timeout bounds a start that hangs.
env -i PATH=/usr/bin:/bin HOME="$casa" LANG=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
        sh "$1" >"$2/salida.txt" 2>&1 &
        programa=$!
        ventana=$(timeout 90 xdotool search --sync --onlyvisible --name "^Quenzar\$" | head -n 1) || true
        if [ -n "$ventana" ]; then
            # Every window the program shows at that moment: a message box is titled "Quenzar" too.
            xdotool search --onlyvisible --name "^Quenzar\$" | wc -l >"$2/ventanas.txt"
            xdotool getwindowgeometry "$ventana" >"$2/geometria.txt"
            import -window "$ventana" "$2/pantalla.png"
        fi
        kill "$programa" 2>/dev/null || true
        wait "$programa" 2>/dev/null || true
    ' _ "$tmp/arrancar.sh" "$tmp"
if [ -f "$tmp/geometria.txt" ]; then
    [ "$(cat "$tmp/ventanas.txt")" -eq 1 ] || fallar "$(cat "$tmp/ventanas.txt") ventanas a la vez (¿un mensaje?)"
    # The list is wide and tall; a message box would not be.
    ancho=$(sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p' "$tmp/geometria.txt")
    alto=$(sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p' "$tmp/geometria.txt")
    [ "${ancho:-0}" -ge 600 ] && [ "${alto:-0}" -ge 350 ] ||
        fallar "la ventana mide ${ancho}x${alto}: $(cat "$tmp/geometria.txt")"
    # Its rows drawn: text in many shades, not an empty frame.
    colores=$(convert "$tmp/pantalla.png" -format %k info:)
    [ "$colores" -gt 50 ] || fallar "la ventana tiene $colores colores"
else
    fallar "no apareció la ventana de la lista; salida: $(cat "$tmp/salida.txt" 2>/dev/null)"
fi
for archivo in .local/share/quenzar/datos/QUENZAR.db .local/share/quenzar/datos/KV_ESTADISTICAS.db \
    .local/share/quenzar/consultas.kvt; do
    [ -s "$casa/$archivo" ] || fallar "no se creó ~/$archivo"
done
cmp -s "$casa/.local/share/quenzar/consultas.kvt" "$raiz/usr/share/quenzar/consultas.kvt" ||
    fallar "consultas.kvt no es la copia de la instalada"
[ "$antes" = "$(cd "$raiz" && find . | sort)" ] || fallar "el programa escribió en la carpeta instalada"

if [ "$fallos" -gt 0 ]; then exit 1; fi
echo "paquete correcto"
