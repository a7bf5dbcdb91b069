#!/bin/sh
# A throw-away PostgreSQL server on loopback for the tests and for trying the
# program:
#   servidor.sh iniciar CARPETA [PUERTO [GENERADOR]]   a new server; with the
#       demo generator, also the database QUENZAR_PLANTILLA the tests copy
#   servidor.sh parar|arrancar CARPETA [PUERTO]        stop it or start it again
#   servidor.sh detener CARPETA                        stop it and remove it
# The login "ADMIN" (password "admin") owns everything.
set -eu
# The caller's folder may be gone (or closed to the server's user).
cd /
accion=$1
carpeta=$2
puerto=${3:-54329}
generador=${4:-}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ]; then
    echo "servidor.sh: PostgreSQL no está instalado (ejecute scripts/instalar-dependencias.sh)" >&2
    exit 1
fi
como() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
arrancar() {
    como "$bin/pg_ctl" -D "$carpeta/datos" -l "$carpeta/servidor.log" -w -t 60 start \
        -o "-p $puerto -k $carpeta -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" >/dev/null
}
detener() {
    if [ -f "$carpeta/datos/postmaster.pid" ]; then
        como "$bin/pg_ctl" -D "$carpeta/datos" -m immediate -w stop >/dev/null 2>&1 || true
    fi
}
case $accion in
iniciar)
    detener
    rm -rf "$carpeta"
    mkdir -p "$carpeta"
    if [ "$(id -u)" = 0 ]; then chown postgres "$carpeta"; fi
    como "$bin/initdb" -D "$carpeta/datos" -U postgres -E UTF8 --locale=C.UTF-8 \
        --auth-local=trust --auth-host=scram-sha-256 >"$carpeta/initdb.log" 2>&1
    arrancar
    como "$bin/psql" -q -h "$carpeta" -p "$puerto" -U postgres -d postgres \
        -c "CREATE ROLE \"ADMIN\" LOGIN SUPERUSER PASSWORD 'admin'"
    if [ -n "$generador" ]; then
        "$generador" --postgres "PG:127.0.0.1:$puerto" --nombre QUENZAR_PLANTILLA >/dev/null
    fi
    echo "PG:127.0.0.1:$puerto"
    ;;
parar)
    como "$bin/pg_ctl" -D "$carpeta/datos" -m fast -w stop >/dev/null
    ;;
arrancar)
    arrancar
    ;;
detener)
    detener
    rm -rf "$carpeta"
    ;;
*)
    echo "uso: servidor.sh iniciar|parar|arrancar|detener CARPETA [PUERTO [GENERADOR]]" >&2
    exit 2
    ;;
esac
