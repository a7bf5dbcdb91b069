#pragma once
// What start-up reads before any window: the command line the suite's
// launcher passes and the registered connections ("BASES.TXT").

#include <QList>
#include <QString>

namespace shell {

// The values the command line carries (the keys of the suite's launcher).
struct ValoresComando {
    QString parametroAdicional, menu, servidor, base, usuario, clave, usuarioLogeado, caja;
};
// Cuts the command text key by key, as start-up does (quirks included).
ValoresComando cortarComando(const QString& comando);

QString NormalizaServidor(const QString& servidor);

// One record of "BASES.TXT".
struct BaseRegistrada {
    QString nombre, base, usuario, clave, servidor;
};

// Reads every record whose five fields are there; damaged or foreign lines
// are skipped. A password that cannot be deciphered reads as empty.
QList<BaseRegistrada> leerBasesRegistradas(const QString& ruta);

} // namespace shell
