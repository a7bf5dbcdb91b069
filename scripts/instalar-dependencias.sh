#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Runs as root (or through sudo when available); safe to run again.
set -euo pipefail

PAQUETES=(
    build-essential cmake ninja-build ccache pkg-config clang-format
    # The sanitizers' build and the fuzz targets.
    clang libclang-rt-dev
    qt6-base-dev libgl-dev
    libsqlite3-dev sqlite3
    unixodbc unixodbc-dev tdsodbc libsqliteodbc
    postgresql postgresql-client odbc-postgresql libpq-dev
    libxlsxwriter-dev libsodium-dev
    python3-openpyxl poppler-utils
    # The exported workbook opens with the desktop's spreadsheet program:
    # xdg-open finds LibreOffice Calc through its desktop entry.
    libreoffice-calc xdg-utils desktop-file-utils shared-mime-info file
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth x11-apps imagemagick
    # The package: its checks, and the installed program started on a virtual display.
    dpkg-dev lintian appstream xdotool
    fonts-dejavu-core
)

faltan=()
for p in "${PAQUETES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
done

if ((${#faltan[@]})); then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${faltan[@]}"
fi

# The ODBC drivers register themselves on install; make sure both are known.
if ! odbcinst -q -d 2>/dev/null | grep -qi '^\[FreeTDS\]'; then
    printf '[FreeTDS]\nDescription=TDS driver (Sybase/MS SQL)\nDriver=libtdsodbc.so\n' >/tmp/freetds.ini
    odbcinst -i -d -f /tmp/freetds.ini >/dev/null
fi
if ! odbcinst -q -d 2>/dev/null | grep -qi '^\[SQLite3\]'; then
    printf '[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=libsqlite3odbc.so\n' >/tmp/sqlite3odbc.ini
    odbcinst -i -d -f /tmp/sqlite3odbc.ini >/dev/null
fi
if ! odbcinst -q -d 2>/dev/null | grep -qi '^\[PostgreSQL Unicode\]'; then
    printf '[PostgreSQL Unicode]\nDescription=PostgreSQL ODBC driver (Unicode version)\nDriver=psqlodbcw.so\n' >/tmp/psqlodbc.ini
    odbcinst -i -d -f /tmp/psqlodbc.ini >/dev/null
fi
