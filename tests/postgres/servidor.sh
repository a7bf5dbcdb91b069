#!/bin/sh
# A throw-away PostgreSQL server on loopback for the tests and for trying the
# program:
#   servidor.sh iniciar CARPETA [PUERTO [GENERADOR]]   a new server; with the
#       demo generator, also the database QUENZAR_PLANTILLA the tests copy.
#       PUERTO "libre" takes the first free port from 54340 on (another run
#       on the machine may hold any fixed one). It prints "PG:127.0.0.1:port"
#       and leaves the same line in CARPETA/servidor
#   servidor.sh parar|arrancar CARPETA [PUERTO]        stop it or start it again
#       (on the port it last had, unless another is given)
#   servidor.sh detener CARPETA                        stop it and remove its folder
# The login "ADMIN" (password "admin") owns everything. The server runs with
# fsync, synchronous commit and full-page writes off: fast, and for tests
# only (a crash of the machine may lose what it holds).
# The script only ever removes a folder it made itself (it leaves a mark in it).
set -eu
# The caller's folder may be gone (or closed to the server's user).
cd /
accion=$1
carpeta=$2
puerto=${3:-}
generador=${4:-}
marca="$carpeta/.servidor-quenzar"
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ]; then
    echo "servidor.sh: PostgreSQL no está instalado (ejecute scripts/instalar-dependencias.sh)" >&2
    exit 1
fi
como() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
# What went wrong, from the log of the step that failed.
fallar() {
    echo "servidor.sh: $1; registro: $2" >&2
    if [ -f "$2" ]; then tail -n 15 "$2" >&2; fi
    exit 1
}
propia() {
    [ -f "$marca" ]
}
# A folder that holds something this script did not make is left alone.
comprobarCarpeta() {
    if [ -e "$carpeta" ] && ! propia && [ -n "$(ls -A "$carpeta" 2>/dev/null)" ]; then
        echo "servidor.sh: $carpeta no está vacía y no es de un servidor de prueba: no se toca (elija otra carpeta)" >&2
        exit 1
    fi
}
intentar() {
    como "$bin/pg_ctl" -D "$carpeta/datos" -l "$carpeta/servidor.log" -w -t 60 start \
        -o "-p $puerto -k $carpeta -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" >/dev/null
}
arrancar() {
    intentar || fallar "el servidor no arrancó en el puerto $puerto" "$carpeta/servidor.log"
}
# The port is only known to be free once the server holds it: a port another
# process binds is skipped, any other failure is reported.
arrancarEnUnoLibre() {
    puerto=54340
    while [ "$puerto" -lt 54400 ]; do
        if intentar; then return 0; fi
        grep -q "Address already in use" "$carpeta/servidor.log" ||
            fallar "el servidor no arrancó en el puerto $puerto" "$carpeta/servidor.log"
        rm -f "$carpeta/servidor.log"
        puerto=$((puerto + 1))
    done
    fallar "no hay un puerto libre entre 54340 y 54399" "$carpeta/servidor.log"
}
# The port of the last start, for parar and arrancar without one.
puertoAnterior() {
    if [ -z "$puerto" ] && [ -f "$carpeta/servidor" ]; then
        linea=$(cat "$carpeta/servidor")
        puerto=${linea##*:}
    fi
    puerto=${puerto:-54329}
}
detener() {
    if [ -f "$carpeta/datos/postmaster.pid" ]; then
        como "$bin/pg_ctl" -D "$carpeta/datos" -m immediate -w stop >/dev/null 2>&1 || true
    fi
}
case $accion in
iniciar)
    comprobarCarpeta
    detener
    rm -rf "$carpeta"
    mkdir -p "$carpeta"
    touch "$marca"
    if [ "$(id -u)" = 0 ]; then chown postgres "$carpeta"; fi
    como "$bin/initdb" -D "$carpeta/datos" -U postgres -E UTF8 --locale=C.UTF-8 \
        --auth-local=trust --auth-host=scram-sha-256 >"$carpeta/initdb.log" 2>&1 ||
        fallar "no se pudo crear el cluster" "$carpeta/initdb.log"
    if [ "$puerto" = libre ]; then arrancarEnUnoLibre; else
        puerto=${puerto:-54329}
        arrancar
    fi
    echo "PG:127.0.0.1:$puerto" >"$carpeta/servidor"
    como "$bin/psql" -q -h "$carpeta" -p "$puerto" -U postgres -d postgres \
        -c "CREATE ROLE \"ADMIN\" LOGIN SUPERUSER PASSWORD 'admin'" ||
        fallar "no se pudo crear el usuario ADMIN" "$carpeta/servidor.log"
    if [ -n "$generador" ]; then
        "$generador" --postgres "PG:127.0.0.1:$puerto" --nombre QUENZAR_PLANTILLA >/dev/null ||
            fallar "el generador no creó la base QUENZAR_PLANTILLA" "$carpeta/servidor.log"
    fi
    echo "PG:127.0.0.1:$puerto"
    ;;
parar)
    puertoAnterior
    como "$bin/pg_ctl" -D "$carpeta/datos" -m fast -w stop >/dev/null ||
        fallar "el servidor no se detuvo" "$carpeta/servidor.log"
    ;;
arrancar)
    puertoAnterior
    arrancar
    echo "PG:127.0.0.1:$puerto" >"$carpeta/servidor"
    ;;
detener)
    comprobarCarpeta
    detener
    if propia; then rm -rf "$carpeta"; fi
    ;;
*)
    echo "uso: servidor.sh iniciar|parar|arrancar|detener CARPETA [PUERTO [GENERADOR]]" >&2
    exit 2
    ;;
esac
