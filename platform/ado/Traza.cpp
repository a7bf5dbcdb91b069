#include "platform/ado/Traza.h"

#include "platform/ado/CadenaConexion.h"

#include <QDateTime>
#include <QFile>
#include <QSet>

namespace ado::traza {

namespace {
QSet<QString>& secretos() {
    static QSet<QString> s;
    return s;
}
} // namespace

bool activa() {
    return !qEnvironmentVariableIsEmpty("QUENZAR_TRAZA_SQL");
}

void ocultar(const QString& secreto) {
    // Very short secrets would mask ordinary words; the keyword masking covers them.
    if (secreto.size() >= 4) secretos().insert(secreto);
}

QString enmascarar(const QString& texto) {
    QString r = ocultarClaves(texto);
    for (const QString& s : secretos())
        r.replace(s, QStringLiteral("****"));
    return r;
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
