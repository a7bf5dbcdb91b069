// The grid's counting and paging statements on a generated database of
// 1,000,000 cheque books (or --chequeras N), timed through the data layer
// and through the SQLite library directly on the text the engine received.
//
//   bench_paginado [--chequeras N] [--repeticiones R] [--carpeta DIR]
//
// Prints the median of each and the layer / engine ratio.

#include "db/BaseDemo.h"
#include "platform/ado/Ado.h"
#include "platform/ado/MotorSqlite.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <sqlite3.h>
#include <vector>

namespace {

double mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

// The count: the grid counts the rows of its statement.
const QString kConteo = QStringLiteral(
    "SELECT Talonario,IDBANCO,DESCRIPCION,SERIE,NUMERO_DESDE,NUMERO_HASTA,CuentaBanco,CuentaBancoDiferido "
    "FROM "
    "VT_Chequeras");

// A page as the grid composes it (numeric columns converted, key column last).
QString pagina(qint64 omitir) {
    return QStringLiteral(
               "SELECT  [Talonario], [IDBANCO], [DESCRIPCION], [SERIE],  "
               "CONVERT(decimal(10,2),[NUMERO_DESDE]) AS "
               "[NUMERO_DESDE], CONVERT(Decimal(10,2),[NUMERO_HASTA]) AS [NUMERO_HASTA], [CuentaBanco], "
               "[CuentaBancoDiferido], ID  FROM (SELECT TOP 10 *  FROM VT_Chequeras WHERE ID NOT IN (SELECT "
               "TOP %1 ID "
               "FROM VT_Chequeras    )   ) AS Paginacion  ")
        .arg(omitir);
}

struct Directo {
    sqlite3* db = nullptr;
    explicit Directo(const QString& ruta) {
        sqlite3_open_v2(ruta.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA foreign_keys=ON; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        ado::registrarFunciones(db);
    }
    ~Directo() { sqlite3_close(db); }
    // Steps through every row; reads the values when asked.
    qint64 correr(const QString& sql, bool leer) {
        sqlite3_stmt* st = nullptr;
        const QByteArray b = sql.toUtf8();
        sqlite3_prepare_v2(db, b.constData(), static_cast<int>(b.size()), &st, nullptr);
        qint64 n = 0;
        const int cols = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++n;
            if (leer)
                for (int i = 0; i < cols; ++i)
                    sqlite3_column_text(st, i);
        }
        sqlite3_finalize(st);
        return n;
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qint64 chequeras = 1000000;
    int repeticiones = 5;
    QString carpeta;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--chequeras"))
            chequeras = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--repeticiones"))
            repeticiones = args[++i].toInt();
        else if (args[i] == QLatin1String("--carpeta"))
            carpeta = args[++i];
    }
    QTextStream out(stdout);
    QTemporaryDir temporal;
    if (carpeta.isEmpty()) carpeta = temporal.path();
    qputenv("QUENZAR_DATOS", carpeta.toUtf8());
    QElapsedTimer reloj;
    reloj.start();
    basedatos::OpcionesDemo o;
    o.chequeras = chequeras;
    const QString ruta = basedatos::asegurarDemo(carpeta, o);
    out << "base: " << ruta << " (" << chequeras << " chequeras, " << reloj.elapsed() << " ms)\n";

    ado::Connection cn;
    cn.setCursorLocation(ado::adUseClient);
    cn.Open(basedatos::cadenaConexion());
    Directo directo(ruta);

    struct Medida {
        QString nombre;
        std::vector<double> capa, motor;
    };
    std::vector<Medida> medidas;

    auto medir = [&](const QString& nombre, const QString& sql, bool conteo) {
        Medida m{nombre, {}, {}};
        QString recibido;
        for (int r = 0; r < repeticiones + 1; ++r) {
            // Alternate the two paths so that caches favour neither.
            reloj.restart();
            ado::Recordset rs;
            rs.Open(sql, cn);
            qint64 n = 0;
            if (conteo) {
                n = rs.RecordCount();
            } else {
                while (!rs.Eof()) {
                    for (int i = 0; i < rs.fields().Count(); ++i)
                        rs(i).Value();
                    rs.MoveNext();
                    ++n;
                }
            }
            rs.Close();
            const double capa = static_cast<double>(reloj.nsecsElapsed()) / 1e6;
            recibido = cn.motor()->ultimoTextoEnviado();
            reloj.restart();
            const qint64 d = directo.correr(recibido, !conteo);
            const double motor = static_cast<double>(reloj.nsecsElapsed()) / 1e6;
            if (d != n) {
                out << "¡distinto número de filas! capa " << n << ", motor " << d << "\n";
                return;
            }
            if (r == 0) continue; // warm-up
            m.capa.push_back(capa);
            m.motor.push_back(motor);
        }
        medidas.push_back(m);
    };

    const qint64 paginas = (chequeras + 9) / 10;
    medir(QStringLiteral("conteo (RecordCount)"), kConteo, true);
    for (qint64 p : {qint64(1), qint64(2), paginas / 2, paginas - 1, paginas}) {
        if (p < 1) continue;
        medir(QStringLiteral("página %1").arg(p), pagina((p - 1) * 10), false);
    }

    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("sentencia"), -24)
               .arg(QStringLiteral("capa ms"), 12)
               .arg(QStringLiteral("motor ms"), 12)
               .arg(QStringLiteral("capa/motor"), 11);
    std::vector<double> razones;
    for (const auto& m : medidas) {
        const double c = mediana(m.capa), e = mediana(m.motor);
        razones.push_back(c / e);
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(m.nombre, -24)
                   .arg(c, 12, 'f', 3)
                   .arg(e, 12, 'f', 3)
                   .arg(c / e, 11, 'f', 3);
    }
    out << "mediana de las razones capa/motor: " << QString::number(mediana(razones), 'f', 3) << "\n";
    return 0;
}
