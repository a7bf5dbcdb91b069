// SQL text rewriting: confidential synonyms and the Oracle dialect.

#include "data/DB_Dll.h"

#include "shell/helperlib/OrVexa2.h"

#include <QDate>
#include <QRegularExpression>

namespace datos {

namespace {

QString reemplazar(QString texto, const QString& de, const QString& a) {
    return texto.replace(de, a, Qt::CaseInsensitive);
}

QString aplicarGrupo(QString s, const QString& n, const QString& sin) {
    s = reemplazar(s, QLatin1Char(' ') + n + QLatin1Char(' '), QLatin1Char(' ') + sin + QLatin1Char(' '));
    s = reemplazar(s, QLatin1Char('(') + n + QLatin1Char(' '), QLatin1Char('(') + sin + QLatin1Char(' '));
    s = reemplazar(s, QLatin1Char(' ') + n + QLatin1Char('.'), QLatin1Char(' ') + sin + QLatin1Char('.'));
    s = reemplazar(s, QLatin1Char('(') + n + QLatin1Char('.'), QLatin1Char('(') + sin + QLatin1Char('.'));
    s = reemplazar(s, QLatin1Char(',') + n + QLatin1Char('.'), QLatin1Char(',') + sin + QLatin1Char('.'));
    return s;
}

// VB's IsDate for the forms the program writes: ISO, and day/month/year.
std::optional<QDate> comoFecha(const QString& q) {
    static const QRegularExpression iso(QStringLiteral(
        R"(^\s*(\d{4})[-/.](\d{1,2})[-/.](\d{1,2})(?:[ T]\d{1,2}:\d{2}(?::\d{2}(?:\.\d+)?)?)?\s*$)"));
    static const QRegularExpression dmy(QStringLiteral(
        R"(^\s*(\d{1,2})[-/.](\d{1,2})[-/.](\d{2}|\d{4})(?:\s+\d{1,2}:\d{2}(?::\d{2})?)?\s*$)"));
    if (auto m = iso.match(q); m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (d.isValid()) return d;
    }
    if (auto m = dmy.match(q); m.hasMatch()) {
        int a = m.captured(3).toInt();
        if (a < 100) a += a < 30 ? 2000 : 1900;
        const QDate d(a, m.captured(2).toInt(), m.captured(1).toInt());
        if (d.isValid()) return d;
    }
    return std::nullopt;
}

} // namespace

QString DB_Dll::SS_TSinonimos(const QString& sql) {
    const QString admin = QStringLiteral("@Admin_");
    if (gEsAdmin) return reemplazar(sql, admin, QString());
    if (sql.contains(QLatin1String("MV_ASIENTOS"), Qt::CaseInsensitive) && !gConfidencialidad())
        return reemplazar(sql, admin, QString());
    static const char* grupos[][2] = {{"MA_CUENTAS", "SS_MA_CUENTAS"},
                                      {"V_TA_DEPOSITO", "SS_V_TA_DEPOSITO"},
                                      {"MV_ASIENTOS", "SS_MV_ASIENTOS"},
                                      {"V_TA_FAMILIAS", "SS_V_TA_FAMILIAS"},
                                      {"V_TA_CAJAS", "SS_V_TA_CAJAS"},
                                      {"AC_CUENTASDIARIO", "SS_AC_CUENTASDIARIO"},
                                      {"AC_CUENTASDIARIO_CCOSTO", "SS_AC_CUENTAS_DIARIO_CCOSTO"}};
    QString s = sql;
    for (int g = 0; g < 7; ++g) {
        const QString n = QLatin1String(grupos[g][0]);
        const QString sin = QLatin1String(grupos[g][1]);
        s = aplicarGrupo(s, n, sin);
        if (g == 0) {
            s = reemplazar(s, QLatin1Char('{') + n + QLatin1Char('.'),
                           QLatin1Char('{') + sin + QLatin1Char('.'));
            s = reemplazar(s, QStringLiteral("@Admin_MA_CUENTAS"), QStringLiteral("MA_CUENTAS"));
        }
    }
    return reemplazar(s, admin, QString());
}

QString DB_Dll::ORACLE_Dicc(const QString& Valor) {
    if (!gConnString.contains(QLatin1String("ORACLE"), Qt::CaseInsensitive)) return Valor;
    if (util().ContarPalabras(Valor) <= 1)
        return Valor.compare(QLatin1String("LEN"), Qt::CaseInsensitive) == 0 ? QStringLiteral("LENGTH")
                                                                             : Valor;
    QString R = Valor;

    // A. Row limit.
    if (Valor.contains(QLatin1String("top "), Qt::CaseInsensitive)) {
        const int P = static_cast<int>(Valor.indexOf(QLatin1String("top"), 0, Qt::CaseInsensitive));
        const QString pre = Valor.left(P);
        const QString T = Valor.mid(P + 3).trimmed();
        const int blanco = static_cast<int>(T.indexOf(QLatin1Char(' ')));
        const QString N = blanco < 0 ? T : T.left(blanco);
        QString cuerpo = blanco < 0 ? QString() : T.mid(blanco + 1);
        QString cola, G, O;
        const int g = static_cast<int>(Valor.indexOf(QLatin1String(" GROUP BY "), 0, Qt::CaseInsensitive));
        const int o = static_cast<int>(Valor.indexOf(QLatin1String("ORDER BY "), 0, Qt::CaseInsensitive));
        if (g >= 0)
            cola = G = Valor.mid(g);
        else if (o >= 0)
            cola = O = Valor.mid(o);
        const QString limite = Valor.contains(QLatin1String(" WHERE "), Qt::CaseInsensitive)
                                   ? QStringLiteral(" AND ROWNUM <= ") + N
                                   : QStringLiteral(" WHERE ROWNUM <= ") + N;
        if (!cola.trimmed().isEmpty()) cuerpo = reemplazar(cuerpo, cola.trimmed(), QStringLiteral(" "));
        R = pre + QLatin1Char(' ') + cuerpo + QLatin1Char(' ') + limite + QLatin1Char(' ') + G +
            QLatin1Char(' ') + O;
    }
    // B. Length function.
    for (const char* l : {" LEN(", " LEN (", " LEN  (", " LEN   (", " LEN    ("})
        R = reemplazar(R, QLatin1String(l), QStringLiteral(" LENGTH("));
    // C. Identifier quotes.
    R.replace(QLatin1Char('['), QLatin1Char('"')).replace(QLatin1Char(']'), QLatin1Char('"'));
    // D. Date literals.
    {
        int desde = 0;
        QString resultado = R;
        for (;;) {
            const int a = static_cast<int>(R.indexOf(QLatin1Char('\''), desde));
            if (a < 0) break;
            const int b = static_cast<int>(R.indexOf(QLatin1Char('\''), a + 1));
            if (b < 0) break; // an unmatched quote ends the scan
            const QString q = R.mid(a + 1, b - a - 1);
            if (const auto f = comoFecha(q))
                resultado.replace(QLatin1Char('\'') + q + QLatin1Char('\''),
                                  QStringLiteral("TO_DATE('") + f->toString(QStringLiteral("dd/MM/yyyy")) +
                                      QStringLiteral("','DD/MM/YYYY')"));
            desde = b + 1;
        }
        R = resultado;
        while (R.contains(QLatin1String("TO_DATE(TO_DATE("), Qt::CaseInsensitive)) {
            R = reemplazar(R, QStringLiteral("TO_DATE(TO_DATE("), QStringLiteral("TO_DATE("));
            R = reemplazar(R, QStringLiteral("'DD/MM/YYYY'),'DD/MM/YYYY')"), QStringLiteral("'DD/MM/YYYY')"));
        }
    }
    // E, F.
    R = reemplazar(R, QStringLiteral("Charindex"), QStringLiteral("InStr"));
    R = reemplazar(R, QStringLiteral("CONVERT(NVARCHAR,"), QStringLiteral("TO_CHAR("));
    R = reemplazar(R, QStringLiteral("CONVERT(INT,"), QStringLiteral("TO_NUMBER("));
    // G. Empty-text comparisons.
    {
        const int w = static_cast<int>(R.indexOf(QLatin1String("WHERE "), 0, Qt::CaseInsensitive));
        if (w >= 0) {
            QString resto = R.mid(w);
            resto = reemplazar(resto, QStringLiteral("= ''"), QStringLiteral(" IS NULL "));
            resto = reemplazar(resto, QStringLiteral("=''"), QStringLiteral(" IS NULL "));
            R = R.left(w) + resto;
        }
    }
    // H. Date style 103 inside TO_CHAR.
    {
        int desde = 0;
        for (;;) {
            const int p = static_cast<int>(R.indexOf(QLatin1String("103"), desde));
            if (p < 0) break;
            const int abre = static_cast<int>(R.lastIndexOf(QLatin1Char('('), p));
            if (abre >= 7 &&
                R.mid(abre - 7, 8).compare(QLatin1String("TO_CHAR("), Qt::CaseInsensitive) == 0) {
                R.replace(p, 3, QStringLiteral("'DD/MM/YYYY'"));
            }
            desde = p + 3;
        }
    }
    // I, J.
    R = reemplazar(R, QStringLiteral("SUBSTRING("), QStringLiteral("SUBSTR("));
    R = reemplazar(R, QStringLiteral("ISNULL("), QStringLiteral("NVL("));
    return R;
}

QString DB_Dll::DescartaSentencia(QString& sentencia) {
    if (sentencia.contains(QLatin1String("SET NOCOUNT"), Qt::CaseInsensitive) ||
        sentencia.contains(QLatin1String("IF NOT EXIST"), Qt::CaseInsensitive))
        sentencia.clear();
    return sentencia;
}

void DB_Dll::EjecutaScriptOracle(QString& S, qint64& afectadas) {
    const QString CR = QStringLiteral("\r");
    const QString LF = QStringLiteral("\n");
    S = reemplazar(S, QStringLiteral("SET NOCOUNT ON"), QString());
    S = reemplazar(S, QStringLiteral("SET NOCOUNT OFF"), QString());
    S = reemplazar(S, QStringLiteral(" GO "), QStringLiteral(" "));
    S = reemplazar(S, CR + LF + QStringLiteral("GO "), QStringLiteral(" "));
    S = reemplazar(S, CR + LF + QStringLiteral("GO") + CR + LF, QStringLiteral(" "));
    S.replace(CR, QStringLiteral(" "));
    S = reemplazar(S, QStringLiteral("BEGIN TRANSACTION"), QStringLiteral("SET TRANSACTION"));
    S = reemplazar(S, QStringLiteral("BEGIN TRANS"), QStringLiteral("SET TRANSACTION"));
    S = reemplazar(S, QStringLiteral("COMMIT TRANSACTION"), QStringLiteral("COMMIT"));
    S = reemplazar(S, QStringLiteral("COMMIT TRANS"), QStringLiteral("COMMIT"));
    S = reemplazar(S, QStringLiteral("ROLLBACK TRANSACTION"), QStringLiteral("ROLLBACK"));
    S = reemplazar(S, QStringLiteral("ROLLBACK TRANS"), QStringLiteral("ROLLBACK"));
    static const char* claves[] = {"INSERT ",  "DELETE ",      "UPDATE ",         "CREATE ",
                                   "DROP ",    "ALTER ",       "SET TRANSACTION", "COMMIT",
                                   "ROLLBACK", "IF NOT EXIST", "IF EXIST",        "GRANT "};
    auto proxima = [&](int desde) {
        int mejor = -1;
        for (const char* c : claves) {
            const int p = static_cast<int>(S.indexOf(QLatin1String(c), desde, Qt::CaseInsensitive));
            if (p >= 0 && (mejor < 0 || p < mejor)) mejor = p;
        }
        return mejor;
    };
    for (;;) {
        const int inicio = proxima(0);
        if (inicio < 0) break;
        int fin = proxima(inicio + 1);
        if (fin < 0) fin = static_cast<int>(S.size());
        QString sentencia = S.mid(inicio, fin - inicio).trimmed();
        S = S.mid(fin);
        if (sentencia.compare(QLatin1String("SET TRANSACTION"), Qt::CaseInsensitive) == 0) {
            gCnn().BeginTrans();
        } else if (sentencia.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0) {
            gCnn().CommitTrans();
        } else if (sentencia.compare(QLatin1String("ROLLBACK"), Qt::CaseInsensitive) == 0) {
            gCnn().RollbackTrans();
        } else {
            QString t = ORACLE_Dicc(sentencia);
            DescartaSentencia(t);
            if (!t.trimmed().isEmpty()) {
                qint64 n = 0;
                gCnn().Execute(t, &n, -1);
                if (n > 0) afectadas += n;
            }
        }
    }
    if (gCnn().Errors().Count() == 1 && gCnn().Errors().Item(0).Number == 0x40EC9) gCnn().Errors().Clear();
}

} // namespace datos
