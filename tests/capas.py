#!/usr/bin/env python3
"""The layering test: no file includes a header of a library its target does
not link, and the targets that do not draw reach neither Qt's widgets nor
its GUI module.

Reads the list CMake writes at configure time (objetivos.txt: target, folder,
sources, direct links) and the sources' #include "..." lines."""

import os
import re
import sys

# Targets that draw nothing: the data layer and everything under it, the
# text-only pieces and the fuzzers.
SIN_VENTANAS = {
    "plataforma", "ado", "helperlib", "datos", "basedatos", "arranque", "composicion",
    "grabacion", "consultas", "quenzar-generar-demo",
    "fuzz_traductor", "fuzz_reescritura", "fuzz_bases", "fuzz_comando", "fuzz_grilla",
}
VENTANAS = {"Qt6::Widgets", "Qt6::Gui"}
INCLUSION = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def leer(lista, raiz):
    objetivos = {}
    for linea in open(lista, encoding="utf-8"):
        linea = linea.rstrip("\n")
        if not linea:
            continue
        nombre, carpeta, fuentes, enlaces = linea.split("|")
        archivos = []
        for f in fuentes.split(";"):
            if not f or f.endswith(".qrc"):
                continue
            ruta = f if os.path.isabs(f) else os.path.join(carpeta, f)
            archivos.append(os.path.relpath(os.path.normpath(ruta), raiz))
        objetivos[nombre] = {
            "fuentes": archivos,
            "enlaces": [e for e in enlaces.split(";") if e],
        }
    return objetivos


def alcance(objetivos, nombre, visto=None):
    """The target and everything it links, directly or not."""
    visto = set() if visto is None else visto
    if nombre in visto:
        return visto
    visto.add(nombre)
    for e in objetivos.get(nombre, {}).get("enlaces", []):
        e = re.sub(r"^\$<LINK_ONLY:(.*)>$", r"\1", e)
        alcance(objetivos, e, visto)
    return visto


def main():
    lista, raiz = sys.argv[1], sys.argv[2]
    objetivos = leer(lista, raiz)
    # Which library a header belongs to: the one that lists it, else the one
    # that lists a source beside it (a folder's headers are its library's).
    duenio = {}
    for nombre, o in objetivos.items():
        for f in o["fuentes"]:
            if f.endswith(".h"):
                duenio.setdefault(f, nombre)
    carpetas = {}
    for nombre, o in objetivos.items():
        for f in o["fuentes"]:
            carpetas.setdefault(os.path.dirname(f), set()).add(nombre)

    def duenioDe(cabecera):
        if cabecera in duenio:
            return {duenio[cabecera]}
        return carpetas.get(os.path.dirname(cabecera), set())

    fallos = []
    for nombre, o in sorted(objetivos.items()):
        vistos = alcance(objetivos, nombre)
        if nombre in SIN_VENTANAS:
            for v in sorted(VENTANAS & vistos):
                fallos.append(f"{nombre} no dibuja y llega a {v}")
        pendientes = list(o["fuentes"])
        revisados = set()
        while pendientes:
            f = pendientes.pop()
            if f in revisados or not os.path.exists(os.path.join(raiz, f)):
                continue
            revisados.add(f)
            texto = open(os.path.join(raiz, f), encoding="utf-8", errors="replace").read()
            for cabecera in INCLUSION.findall(texto):
                if not os.path.exists(os.path.join(raiz, cabecera)):
                    continue  # a generated or third-party header
                duenios = duenioDe(cabecera)
                if duenios and not (duenios & vistos):
                    fallos.append(f"{nombre}: {f} incluye {cabecera} ({', '.join(sorted(duenios))}) sin enlazarla")
                elif duenios & {nombre}:
                    pendientes.append(cabecera)
    for f in fallos:
        print(f)
    print(f"{len(objetivos)} objetivos revisados, {len(fallos)} faltas")
    return 1 if fallos else 0


if __name__ == "__main__":
    sys.exit(main())
