#!/bin/sh
# A throw-away PostgreSQL server on loopback for the tests and for trying the
# program: servidor.sh iniciar|detener CARPETA [PUERTO]
# The login "ADMIN" (password "admin") owns everything; the folder goes away on detener.
set -eu
accion=$1
carpeta=$2
puerto=${3:-54329}
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
como() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
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
    como "$bin/pg_ctl" -D "$carpeta/datos" -l "$carpeta/servidor.log" -w -t 60 start \
        -o "-p $puerto -k $carpeta -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" >/dev/null
    como "$bin/psql" -q -h "$carpeta" -p "$puerto" -U postgres -d postgres \
        -c "CREATE ROLE \"ADMIN\" LOGIN SUPERUSER PASSWORD 'admin'"
    echo "PG:127.0.0.1:$puerto"
    ;;
detener)
    detener
    rm -rf "$carpeta"
    ;;
*)
    echo "uso: servidor.sh iniciar|detener CARPETA [PUERTO]" >&2
    exit 2
    ;;
esac
