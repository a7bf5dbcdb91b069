#!/usr/bin/python3
"""Prints a workbook's first sheet as JSON: one entry per written cell, and the column widths."""
import datetime
import json
import sys

import openpyxl


def valor(v):
    if isinstance(v, (datetime.datetime, datetime.date, datetime.time)):
        return v.isoformat()
    return v


def color(c):
    # A theme colour has no RGB text.
    return c.rgb if c is not None and isinstance(c.rgb, str) else None


libro = openpyxl.load_workbook(sys.argv[1])
cache = openpyxl.load_workbook(sys.argv[1], data_only=True)
hoja, hoja_cache = libro.worksheets[0], cache.worksheets[0]
celdas = {}
for fila in hoja.iter_rows():
    for c in fila:
        relleno = color(c.fill.fgColor) if c.fill and c.fill.fill_type == "solid" else None
        celdas[c.coordinate] = {
            "valor": valor(c.value),
            "cache": valor(hoja_cache[c.coordinate].value),
            "tipo": c.data_type,
            "formato": c.number_format,
            "relleno": relleno,
            "negrita": bool(c.font.b),
            "color": color(c.font.color),
            "borde": c.border.left.style,
        }
anchos = {k: d.width for k, d in hoja.column_dimensions.items() if d.width}
formatos = {k: d.number_format for k, d in hoja.column_dimensions.items()}
print(json.dumps({"hojas": len(libro.worksheets), "celdas": celdas, "anchos": anchos,
                  "formatos_columna": formatos, "filas": hoja.max_row}))
