#include "platform/ado/CadenaConexion.h"

#include <QRegularExpression>

namespace ado {

CadenaConexion::CadenaConexion(const QString& texto) {
    int i = 0;
    const int n = texto.size();
    while (i < n) {
        int igual = texto.indexOf(QLatin1Char('='), i);
        int pyc = texto.indexOf(QLatin1Char(';'), i);
        if (igual < 0 || (pyc >= 0 && pyc < igual)) {
            // A piece without "=": nothing to keep.
            if (pyc < 0) break;
            i = pyc + 1;
            continue;
        }
        QString clave = texto.mid(i, igual - i).trimmed();
        int j = igual + 1;
        while (j < n && texto[j] == QLatin1Char(' '))
            ++j;
        QString valor;
        if (j < n &&
            (texto[j] == QLatin1Char('"') || texto[j] == QLatin1Char('\'') || texto[j] == QLatin1Char('{'))) {
            const QChar cierre = texto[j] == QLatin1Char('{') ? QLatin1Char('}') : texto[j];
            int fin = texto.indexOf(cierre, j + 1);
            if (fin < 0) fin = n;
            valor = texto.mid(j + 1, fin - j - 1);
            int sig = texto.indexOf(QLatin1Char(';'), fin);
            i = sig < 0 ? n : sig + 1;
        } else {
            int fin = texto.indexOf(QLatin1Char(';'), igual + 1);
            if (fin < 0) fin = n;
            valor = texto.mid(igual + 1, fin - igual - 1).trimmed();
            i = fin + 1;
        }
        if (!clave.isEmpty()) mPares.append({clave, valor});
    }
}

QString CadenaConexion::valor(const QString& clave) const {
    for (const auto& p : mPares)
        if (p.first.compare(clave, Qt::CaseInsensitive) == 0) return p.second;
    return {};
}

bool CadenaConexion::tiene(const QString& clave) const {
    for (const auto& p : mPares)
        if (p.first.compare(clave, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString CadenaConexion::valor(std::initializer_list<const char*> claves) const {
    for (const char* c : claves)
        if (tiene(QLatin1String(c))) return valor(QLatin1String(c));
    return {};
}

CadenaConexion::Tipo CadenaConexion::tipo() const {
    const QString prov = valor("Provider");
    if (prov.contains(QLatin1String("Jet.OLEDB"), Qt::CaseInsensitive)) return Tipo::Jet;
    if (prov.contains(QLatin1String("ORACLE"), Qt::CaseInsensitive)) return Tipo::OracleOdbc;
    if (valor({"Server", "Data Source"}).trimmed().compare(QLatin1String("SQLITE"), Qt::CaseInsensitive) == 0)
        return Tipo::Embebida;
    if (servidorDeNombreEntero(valor({"Server", "Data Source"}))) return Tipo::PostgresOdbc;
    return Tipo::SqlServerOdbc;
}

bool servidorDeNombreEntero(const QString& servidor) {
    return servidor.trimmed().startsWith(QLatin1String("PG:"), Qt::CaseInsensitive);
}

QString ocultarClaves(const QString& texto) {
    // A password where it is a value and nowhere else: a connection string's
    // or command line's keyword (to the next ";", or its quoted text), the
    // quoted text after PASSWORD in a login statement, the word after
    // IDENTIFIED BY. The same letters elsewhere in a message stay.
    static const QRegularExpression clave(
        QStringLiteral(R"(((?:\bpwd|\bpassword|@password|database password)\s*=\s*)('(?:[^']|'')*'|[^;]*))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression entreComillas(QStringLiteral(R"((\bpassword\s+)('(?:[^']|'')*'))"),
                                                  QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression identificada(
        QStringLiteral(R"((\bidentified\s+by\s+)("(?:[^"]|"")*"|'(?:[^']|'')*'|\w+))"),
        QRegularExpression::CaseInsensitiveOption);
    QString r = texto;
    r.replace(clave, QStringLiteral("\\1****"));
    r.replace(entreComillas, QStringLiteral("\\1****"));
    r.replace(identificada, QStringLiteral("\\1****"));
    return r;
}

} // namespace ado
