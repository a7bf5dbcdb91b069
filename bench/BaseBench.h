#pragma once
// What the benchmarks of the program share: a generated demo database of the
// size asked on the command line, and folders of their own for everything else.

#include "db/BaseDemo.h"

#include <QCoreApplication>
#include <QTemporaryDir>

namespace bench {

struct BaseBench {
    QTemporaryDir temporal;
    qint64 chequeras = 0;
    QString ruta;

    // --chequeras N and --carpeta DIR (where the database is kept between runs).
    explicit BaseBench(qint64 porDefecto) {
        chequeras = porDefecto;
        QString carpeta;
        const QStringList args = QCoreApplication::arguments();
        for (int i = 1; i + 1 < args.size(); ++i) {
            if (args[i] == QLatin1String("--chequeras"))
                chequeras = args[++i].toLongLong();
            else if (args[i] == QLatin1String("--carpeta"))
                carpeta = args[++i];
        }
        if (carpeta.isEmpty()) carpeta = temporal.path();
        qputenv("QUENZAR_DATOS", carpeta.toUtf8());
        qputenv("QUENZAR_CARPETA_APLICACION", temporal.path().toUtf8());
        qputenv("QUENZAR_CARPETA_INI", temporal.path().toUtf8());
        basedatos::OpcionesDemo o;
        o.chequeras = chequeras;
        ruta = basedatos::asegurarDemo(carpeta, o);
    }
};

} // namespace bench
