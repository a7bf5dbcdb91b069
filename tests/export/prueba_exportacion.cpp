// The spreadsheet export, read back from the written workbook.

#include "export/ModExportarExcel.h"
#include "grid/KvDbGrid.h"
#include "notice/Dll_Display.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"
#include "shell/Servicios.h"
#include "tests/soporte/Sesion.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>

namespace {

using exportacion::ExportarExcel;

class Exportacion : public prueba::Sesion {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(iniciarPrograma());
        exportacion::setIntervaloAviso(0);
        archivo = QDir(carpetaApp()).filePath(QStringLiteral("libro.xlsx"));
        QFile::remove(archivo);
        auto& c = datos::gDB().gCnn();
        c.Execute(QStringLiteral("CREATE TABLE EXP (Nombre varchar(20), Importe money, Precio float, "
                                 "Cantidad int, Total numeric(12,2), "
                                 "Fecha datetime, FhUltimoCosto datetime)"));
        c.Execute(QStringLiteral("INSERT INTO EXP VALUES ('  uno  ', 1234.5, 1234.5, 7, 0, '2026-12-09 "
                                 "10:30:15', '2026-12-09 10:30:15')"));
        c.Execute(QStringLiteral("INSERT INTO EXP VALUES ('dos', 10, 2.25, 3, 5, '2026-12-10', NULL)"));
        c.Execute(QStringLiteral("INSERT INTO EXP VALUES (NULL, 20, 1, 1, 7.5, NULL, '2026-01-31')"));
    }
    void TearDown() override { exportacion::setIntervaloAviso(40); }

    // The first sheet as the reader script gives it.
    QJsonObject leer(const QString& ruta) {
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(QUENZAR_LEER_LIBRO), ruta});
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    }
    static QJsonObject celda(const QJsonObject& libro, const char* ref) {
        return libro[QStringLiteral("celdas")].toObject()[QLatin1String(ref)].toObject();
    }
    // The workbook converted by LibreOffice into `salida`: the converted file's path.
    static QString convertir(const QString& libro, const QString& formato, const QTemporaryDir& salida) {
        QProcess lo;
        lo.start(QStringLiteral("soffice"),
                 {QStringLiteral("-env:UserInstallation=file://") + salida.filePath(QStringLiteral("perfil")),
                  QStringLiteral("--headless"), QStringLiteral("--convert-to"), formato,
                  QStringLiteral("--outdir"), salida.path(), libro});
        EXPECT_TRUE(lo.waitForFinished(120000));
        const QString r = salida.filePath(QFileInfo(libro).completeBaseName() + QLatin1Char('.') + formato);
        EXPECT_TRUE(QFile::exists(r)) << lo.readAllStandardError().toStdString();
        return r;
    }
    void exportar(const QString& sql, const QString& titulo = {}, const QString& subtitulo = {},
                  const QString& totales = {}) {
        ExportarExcel(sql, false, titulo, subtitulo, archivo, nullptr, 0, totales);
    }

    QString archivo;
};

TEST_F(Exportacion, TituloEncabezadoYSombreado) {
    exportar(QStringLiteral("SELECT Nombre, Cantidad, Importe FROM EXP ORDER BY Importe"),
             QStringLiteral("T"));
    const QJsonObject l = leer(archivo);
    EXPECT_EQ(l[QStringLiteral("hojas")].toInt(), 2);
    EXPECT_EQ(celda(l, "B1")[QStringLiteral("valor")].toString(), QStringLiteral("T"));
    EXPECT_EQ(celda(l, "C1")[QStringLiteral("valor")].toString(),
              shell::FechaServidor().toString(QStringLiteral("dd/MM")));
    EXPECT_EQ(celda(l, "C1")[QStringLiteral("color")].toString(), QStringLiteral("FFFF0000"));
    EXPECT_TRUE(celda(l, "B1")[QStringLiteral("negrita")].toBool());
    EXPECT_DOUBLE_EQ(exportacion::filaEncabezado(), 2);
    const QJsonObject h = celda(l, "A2");
    EXPECT_EQ(h[QStringLiteral("valor")].toString(), QStringLiteral("Nombre"));
    EXPECT_EQ(h[QStringLiteral("relleno")].toString(), QStringLiteral("FF0000FF"));
    EXPECT_EQ(h[QStringLiteral("color")].toString(), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(h[QStringLiteral("borde")].toString(), QStringLiteral("thin"));
    EXPECT_TRUE(h[QStringLiteral("negrita")].toBool());
    EXPECT_EQ(celda(l, "C2")[QStringLiteral("valor")].toString(), QStringLiteral("Importe"));
    // Data from row 3; odd rows shaded, null cells too.
    EXPECT_EQ(celda(l, "B3")[QStringLiteral("valor")].toInt(), 3);
    EXPECT_EQ(celda(l, "B3")[QStringLiteral("relleno")].toString(), QStringLiteral("FFC0C0C0"));
    EXPECT_TRUE(celda(l, "B4")[QStringLiteral("relleno")].isNull());
    EXPECT_TRUE(celda(l, "A4")[QStringLiteral("valor")].isNull());
    EXPECT_EQ(celda(l, "A5")[QStringLiteral("relleno")].toString(), QStringLiteral("FFC0C0C0"));
    // Widths from the field sizes, never below 500 twips (the file adds the cell padding, 0.73),
    // widened to the header and the widest text: "Nombre", 6 characters.
    const double anchoA = l[QStringLiteral("anchos")].toObject()[QStringLiteral("A")].toDouble();
    EXPECT_GE(anchoA, 500 / 90.0 + 0.73);
    EXPECT_NEAR(anchoA, 6 * 1.1 + 2 + 0.73, 0.1);

    // Without title or subtitle the header is row 1; a subtitle alone takes row 1.
    exportar(QStringLiteral("SELECT Nombre FROM EXP"));
    EXPECT_EQ(celda(leer(archivo), "A1")[QStringLiteral("valor")].toString(), QStringLiteral("Nombre"));
    EXPECT_DOUBLE_EQ(exportacion::filaEncabezado(), 1);
    exportar(QStringLiteral("SELECT Nombre, Cantidad FROM EXP"), QStringLiteral("T"), QStringLiteral("S"));
    const QJsonObject s = leer(archivo);
    EXPECT_EQ(celda(s, "A2")[QStringLiteral("valor")].toString(), QStringLiteral("S"));
    EXPECT_EQ(celda(s, "A3")[QStringLiteral("valor")].toString(), QStringLiteral("Nombre"));
    EXPECT_EQ(celda(s, "A4")[QStringLiteral("valor")].toString(), QStringLiteral("uno"));
    EXPECT_TRUE(guion->procesos.empty()) << "a saved workbook is not opened";
}

TEST_F(Exportacion, FormatoPorValor) {
    exportar(QStringLiteral("SELECT Nombre, Importe, Precio, Cantidad, Total, Fecha, FhUltimoCosto FROM EXP "
                            "ORDER BY Importe"));
    const QJsonObject l = leer(archivo);
    struct Caso {
        const char* ref;
        QVariant valor;
        const char* formato;
    };
    // Rows: 2 = ('dos', 10 ...), 3 = (NULL, 20 ...), 4 = ('  uno  ', 1234.5 ...)
    const Caso casos[] = {
        {"B4", 1234.5, "#,##0.00"},                                  // currency
        {"C4", 1234.5, "@"},                                         // double: text format, value kept
        {"D4", 7, "General"},                                        // 4-byte integer
        {"E4", QStringLiteral("0"), "General"},                      // zero fails the number test: text
        {"A4", QStringLiteral("uno"), "General"},                    // text trimmed
        {"F4", QStringLiteral("10:30:15"), "hh:mm:ss"},              // date with a time: the time
        {"G4", QStringLiteral("2026-12-09T00:00:00"), "dd/mm/yyyy"}, // the one column kept as a date
        {"F2", QStringLiteral("2026-12-10T00:00:00"), "dd/mm/yyyy"}, // a date without time
        {"E3", 7.5, "#,##0.00"},                                     // numeric
    };
    for (const Caso& c : casos) {
        const QJsonObject x = celda(l, c.ref);
        EXPECT_EQ(x[QStringLiteral("formato")].toString(), QString::fromLatin1(c.formato)) << c.ref;
        if (c.valor.typeId() == QMetaType::QString)
            EXPECT_EQ(x[QStringLiteral("valor")].toString(), c.valor.toString()) << c.ref;
        else
            EXPECT_DOUBLE_EQ(x[QStringLiteral("valor")].toDouble(), c.valor.toDouble()) << c.ref;
    }
    EXPECT_EQ(celda(l, "E4")[QStringLiteral("tipo")].toString(), QStringLiteral("s"));
    // The date columns carry their format; columns are fitted to the written texts.
    EXPECT_EQ(l[QStringLiteral("formatos_columna")].toObject()[QStringLiteral("F")].toString(),
              QStringLiteral("hh:mm:ss"));
    const QJsonObject anchos = l[QStringLiteral("anchos")].toObject();
    EXPECT_GT(anchos[QStringLiteral("B")].toDouble(),
              anchos[QStringLiteral("A")].toDouble()); // "1,234.50" vs "Nombre"
}

TEST_F(Exportacion, TotalesYCampoID) {
    auto& c = datos::gDB().gCnn();
    c.Execute(QStringLiteral("CREATE TABLE MOV (ID int, Detalle varchar(10), Importe money)"));
    for (int i = 1; i <= 8; ++i)
        c.Execute(QStringLiteral("INSERT INTO MOV VALUES (%1, 'm%1', %2)").arg(i).arg(i * 10.5));
    ExportarExcel(QStringLiteral("SELECT ID, Detalle, Importe FROM MOV ORDER BY ID"), false,
                  QStringLiteral("T"), {}, archivo, nullptr, 0, QStringLiteral("Importe,NoExiste"));
    const QJsonObject l = leer(archivo);
    // "ID" is left out of the headers and of the data alike: each header stands over its data.
    EXPECT_EQ(celda(l, "A2")[QStringLiteral("valor")].toString(), QStringLiteral("Detalle"));
    EXPECT_EQ(celda(l, "B2")[QStringLiteral("valor")].toString(), QStringLiteral("Importe"));
    EXPECT_TRUE(celda(l, "C2")[QStringLiteral("valor")].isNull());
    EXPECT_TRUE(celda(l, "C2")[QStringLiteral("relleno")].isNull());
    // Two header columns: the date goes beside the title, not over it.
    EXPECT_EQ(celda(l, "B1")[QStringLiteral("valor")].toString(), QStringLiteral("T"));
    EXPECT_EQ(celda(l, "C1")[QStringLiteral("valor")].toString(),
              shell::FechaServidor().toString(QStringLiteral("dd/MM")));
    EXPECT_EQ(celda(l, "A3")[QStringLiteral("valor")].toString(), QStringLiteral("m1"));
    EXPECT_DOUBLE_EQ(celda(l, "B3")[QStringLiteral("valor")].toDouble(), 10.5);
    EXPECT_TRUE(celda(l, "C3")[QStringLiteral("valor")].isNull());
    // Last data row 10: the sum sits in row 11, under Importe's written column, from row 3.
    const QJsonObject t = celda(l, "B11");
    EXPECT_EQ(t[QStringLiteral("valor")].toString(), QStringLiteral("=SUM(B3:B10)"));
    EXPECT_DOUBLE_EQ(t[QStringLiteral("cache")].toDouble(), 378.0);
    EXPECT_TRUE(t[QStringLiteral("negrita")].toBool());
}

// The workbook as LibreOffice prints it: long texts whole, amounts as numbers, not "###".
TEST_F(Exportacion, ColumnasLegiblesAlImprimir) {
    auto& c = datos::gDB().gCnn();
    c.Execute(QStringLiteral("CREATE TABLE LARGO (Descripcion varchar(60), Importe money)"));
    c.Execute(
        QStringLiteral("INSERT INTO LARGO VALUES ('Cheques diferidos del Banco de la Nacion', 1234567.89),"
                       "('Corto', 2.5)"));
    exportar(QStringLiteral("SELECT Descripcion, Importe FROM LARGO"), QStringLiteral("Lista"));
    QTemporaryDir salida;
    const QString pdf = convertir(archivo, QStringLiteral("pdf"), salida);
    ASSERT_TRUE(QFile::exists(pdf));
    QProcess texto;
    texto.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(texto.waitForFinished(60000));
    const QString impreso = QString::fromUtf8(texto.readAllStandardOutput());
    EXPECT_TRUE(impreso.contains(QStringLiteral("Cheques diferidos del Banco de la Nacion")))
        << impreso.toStdString();
    EXPECT_TRUE(impreso.contains(QStringLiteral("1,234,567.89"))) << impreso.toStdString();
    EXPECT_FALSE(impreso.contains(QStringLiteral("###"))) << impreso.toStdString();
}

TEST_F(Exportacion, LetraColumna) {
    const std::pair<int, const char*> casos[] = {{0, "A"},   {25, "Z"}, {26, "AA"}, {27, "AB"},
                                                 {51, "AZ"}, {52, ""},  {-1, ""}};
    for (auto [i, letras] : casos)
        EXPECT_EQ(exportacion::LetraColumna(static_cast<int16_t>(i)), QString::fromLatin1(letras)) << i;
}

TEST_F(Exportacion, SinFilasNoHayLibroYElArchivoSeBorra) {
    QFile f(archivo);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("viejo");
    f.close();
    exportar(QStringLiteral("SELECT * FROM EXP WHERE 1 = 0"));
    EXPECT_FALSE(QFile::exists(archivo));
    EXPECT_EQ(notice::cartelActual().ventana(), nullptr) << "no notice for an empty statement";
    // A statement that fails ends the same way once the data layer has reported it.
    guion->responder(ui::vbOK, QStringLiteral("NO_EXISTE"));
    ExportarExcel(QStringLiteral("SELECT * FROM NO_EXISTE"), true, {}, {}, {}, nullptr, 0, {});
    EXPECT_TRUE(guion->procesos.empty());
    EXPECT_EQ(guion->mensajes.size(), 1u);
}

TEST_F(Exportacion, CancelarConservaLoCopiadoYMuestraElLibro) {
    auto& c = datos::gDB().gCnn();
    c.Execute(QStringLiteral("CREATE TABLE MOV (Detalle varchar(10), Importe money)"));
    for (int i = 1; i <= 50; ++i)
        c.Execute(QStringLiteral("INSERT INTO MOV VALUES ('m%1', %1)").arg(i));
    // The user presses cancel while the fifth row is being copied.
    guion->alProcesarEventos = [] {
        auto* v = notice::cartelActual().ventana();
        if (v && v->LblCtrol[2]->text().startsWith(QStringLiteral("5 de ")) &&
            v->CmdDisplayCancelar->isVisible())
            v->CmdDisplayCancelar->click();
    };
    ExportarExcel(QStringLiteral("SELECT Detalle, Importe FROM MOV ORDER BY Importe"), true, {}, {}, {},
                  nullptr, 0, QStringLiteral("Importe"));
    guion->alProcesarEventos = nullptr;
    EXPECT_EQ(notice::cartelActual().ventana(), nullptr) << "the notice closes";
    ASSERT_EQ(guion->procesos.size(), 1u);
    EXPECT_EQ(guion->procesos[0].first, QStringLiteral("xdg-open"));
    const QString ruta = guion->procesos[0].second.value(0);
    EXPECT_EQ(ruta, exportacion::ultimoLibro());
    const QJsonObject l = leer(ruta);
    EXPECT_EQ(celda(l, "A5")[QStringLiteral("valor")].toString(), QStringLiteral("m4"));
    EXPECT_TRUE(celda(l, "B6")[QStringLiteral("valor")].isNull()) << "copy stopped in row 6";
    EXPECT_LE(l[QStringLiteral("filas")].toInt(), 7) << "no totals row after a cancel";
    QFile::remove(ruta);
}

TEST_F(Exportacion, ProgresoDibujadoEnLugarDelAviso) {
    QLabel barra;
    barra.resize(200, 20);
    bool avisoVisto = false;
    guion->alProcesarEventos = [&] {
        avisoVisto = avisoVisto || notice::cartelActual().ventana() != nullptr;
    };
    exportar(QStringLiteral("SELECT Nombre, Cantidad FROM EXP"));
    EXPECT_TRUE(avisoVisto) << "without a picture the notice shows";
    avisoVisto = false;
    ExportarExcel(QStringLiteral("SELECT Nombre, Cantidad FROM EXP"), false, QStringLiteral("Lista"), {},
                  archivo, &barra, 0, {});
    guion->alProcesarEventos = nullptr;
    EXPECT_FALSE(avisoVisto) << "with a picture the progress is drawn there";
    ASSERT_FALSE(barra.pixmap().isNull());
    // The last drawing is the whole bar: its right end is no longer white.
    const QImage img = barra.pixmap().toImage();
    EXPECT_NE(img.pixelColor(195, 10), QColor(Qt::white));
    EXPECT_EQ(notice::cartelActual().ventana(), nullptr);
    EXPECT_EQ(celda(leer(archivo), "A3")[QStringLiteral("valor")].toString(), QStringLiteral("uno"));
}

TEST_F(Exportacion, LaListaExportaTodasLasPaginasYLibreOfficeLasLee) {
    grid::KvDbGrid::registrarExportador(
        [](const QString& sql) { ExportarExcel(sql, true, {}, {}, {}, nullptr, 0, {}); });
    shell::FrmChequerasGrid v;
    v.Cargar();
    v.show();
    auto* g = v.KvDbGrid1;
    ASSERT_EQ(g->UltimaPagina(), 4); // 36 cheque books, 10 a page
    g->btnExcel->click();
    grid::KvDbGrid::registrarExportador({});
    ASSERT_EQ(guion->procesos.size(), 1u);
    const QString ruta = guion->procesos[0].second.value(0);
    ASSERT_TRUE(QFile::exists(ruta));

    QTemporaryDir salida;
    QFile csv(convertir(ruta, QStringLiteral("csv"), salida));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lineas = csv.readAll().trimmed().split('\n');
    EXPECT_EQ(lineas.size(), 37) << "header and every cheque book";
    EXPECT_TRUE(lineas[0].contains("Banco")) << lineas[0].toStdString();
    QFile::remove(ruta);
}

// The workbook lists the cheque books in the order the list shows them.
TEST_F(Exportacion, ElLibroSigueElOrdenDeLaLista) {
    grid::KvDbGrid::registrarExportador(
        [](const QString& sql) { ExportarExcel(sql, true, {}, {}, {}, nullptr, 0, {}); });
    shell::FrmChequerasGrid v;
    v.Cargar();
    v.show();
    auto* g = v.KvDbGrid1;
    g->MsFlexGrid->setRow(1);
    g->MsFlexGrid->setCol(4); // SERIE
    QTest::mouseClick(g->ImgOrdenDesc, Qt::LeftButton);
    const QString primera = g->MsFlexGrid->TextMatrix(1, 1);
    g->btnExcel->click();
    grid::KvDbGrid::registrarExportador({});
    ASSERT_EQ(guion->procesos.size(), 1u);
    const QString ruta = guion->procesos[0].second.value(0);
    QTemporaryDir salida;
    QFile csv(convertir(ruta, QStringLiteral("csv"), salida));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lineas = csv.readAll().trimmed().split('\n');
    ASSERT_EQ(lineas.size(), 37);
    const QList<QByteArray> titulos = lineas[0].split(',');
    const auto serie = std::find_if(titulos.begin(), titulos.end(),
                                    [](const QByteArray& t) { return t.toUpper().contains("SERIE"); });
    ASSERT_NE(serie, titulos.end()) << lineas[0].toStdString();
    const int columna = static_cast<int>(serie - titulos.begin());
    QByteArray anterior = "ZZZ";
    for (int i = 1; i < lineas.size(); ++i) {
        const QByteArray s = lineas[i].split(',').value(columna);
        EXPECT_LE(s, anterior) << "row " << i;
        anterior = s;
    }
    EXPECT_TRUE(lineas[1].startsWith(primera.toUtf8() + ',')) << "the list's first row first";
    QFile::remove(ruta);
}

// What the export hands to xdg-open finds a program: the workbook is a
// spreadsheet to the desktop, and LibreOffice Calc is the one that opens it.
TEST_F(Exportacion, ElEscritorioAbreElLibroConLibreOfficeCalc) {
    ExportarExcel(QStringLiteral("SELECT Nombre, Importe FROM EXP"), true, {}, {}, {}, nullptr, 0, {});
    ASSERT_EQ(guion->procesos.size(), 1u);
    EXPECT_EQ(guion->procesos[0].first, QStringLiteral("xdg-open"));
    const QString libro = guion->procesos[0].second.value(0);
    auto consultar = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral("xdg-mime"), args);
        EXPECT_TRUE(p.waitForFinished(30000));
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    };
    const QString tipo = consultar({QStringLiteral("query"), QStringLiteral("filetype"), libro});
    EXPECT_EQ(tipo, QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"));
    EXPECT_EQ(consultar({QStringLiteral("query"), QStringLiteral("default"), tipo}),
              QStringLiteral("libreoffice-calc.desktop"));
    QFile::remove(libro);
}

} // namespace
