#include "platform/ado/Traza.h"

#include "platform/ado/CadenaConexion.h"

#include <QDateTime>
#include <QFile>

namespace ado::traza {

bool activa() {
    return !qEnvironmentVariableIsEmpty("QUENZAR_TRAZA_SQL");
}

QString enmascarar(const QString& texto) {
    return ocultarClaves(texto);
}

void registrar(const QString& escrito, const QString& recibido, qint64 microsegundos, qint64 filas,
               const QString& resultado) {
    const QString ruta = qEnvironmentVariable("QUENZAR_TRAZA_SQL");
    if (ruta.isEmpty()) return;
    QFile f(ruta);
    if (!f.open(QIODevice::Append | QIODevice::Text)) return;
    QString linea = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
                    QStringLiteral("\t%1 ms\tfilas=%2\t%3\n")
                        .arg(static_cast<double>(microsegundos) / 1000.0, 0, 'f', 3)
                        .arg(filas)
                        .arg(enmascarar(resultado));
    linea += QStringLiteral("  escrita:  ") +
             enmascarar(escrito).replace(QLatin1Char('\n'), QLatin1String("\n            ")) +
             QLatin1Char('\n');
    if (recibido != escrito)
        linea += QStringLiteral("  recibida: ") +
                 enmascarar(recibido).replace(QLatin1Char('\n'), QLatin1String("\n            ")) +
                 QLatin1Char('\n');
    f.write(linea.toUtf8());
}

} // namespace ado::traza
