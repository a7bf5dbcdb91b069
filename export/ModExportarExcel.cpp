#include "export/ModExportarExcel.h"

#include "data/DB_Dll.h"
#include "data/Lectura.h"
#include "notice/Dll_Display.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Rutina.h"
#include "platform/ado/Ado.h"
#include "platform/ui/Dialogos.h"
#include "shell/Servicios.h"
#include "shell/helperlib/OrVexa2.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryFile>
#include <QTime>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>
#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace exportacion {

namespace {

// Sheet colours of the palette indices the layout names.
constexpr lxw_color_t kRojo = 0xFF0000; // font colour 255
constexpr lxw_color_t kAzul = 0x0000FF; // fill index 5
constexpr lxw_color_t kGris = 0xC0C0C0; // fill index 15
constexpr lxw_color_t kBlanco = 0xFFFFFF;
constexpr int kMaxTexto = 32767; // a cell's limit

enum class Formato { Ninguno, Moneda, Texto, Fecha, Hora };

const char* codigo(Formato f) {
    switch (f) {
    case Formato::Moneda:
        return "#,##0.00";
    case Formato::Texto:
        return "@";
    case Formato::Fecha:
        return "dd/mm/yyyy";
    case Formato::Hora:
        return "hh:mm:ss";
    case Formato::Ninguno:
        break;
    }
    return nullptr;
}

struct Libro {
    lxw_workbook* wb = nullptr;
    lxw_worksheet* ws = nullptr;
    QString ruta;
    lxw_format* formatos[2][5] = {}; // by shade and display format
    lxw_format* titulo = nullptr;
    lxw_format* encabezado = nullptr;
    lxw_format* negrita = nullptr;
    // Per sheet column (0-based): width, display format, longest text and running sum from row 3.
    std::vector<double> anchos;
    std::vector<Formato> formatoColumna;
    std::vector<int> largo;
    std::vector<double> suma;
    bool autoAjuste = false;
    // Texts are measured for the widths from the header row on, not in the title block.
    bool medir = false;

    void columna(int c) {
        if (c < static_cast<int>(anchos.size())) return;
        anchos.resize(c + 1, -1);
        formatoColumna.resize(c + 1, Formato::Ninguno);
        largo.resize(c + 1, 0);
        suma.resize(c + 1, 0);
    }
    lxw_format* formato(bool sombra, Formato f) {
        // The plain style is the sheet's default: the writer would look a format equal to it up for
        // every cell, instead of once.
        if (!sombra && f == Formato::Ninguno) return nullptr;
        auto& p = formatos[sombra ? 1 : 0][static_cast<int>(f)];
        if (!p) {
            p = workbook_add_format(wb);
            if (sombra) format_set_bg_color(p, kGris);
            if (const char* c = codigo(f)) format_set_num_format(p, c);
        }
        return p;
    }
};

Libro gLibro;
constexpr double kAnchoMaximo = 60.0; // characters
QString mTitulo;
QString mSubtitulo;
double mFilaEncabezado = 1;
QString mDestino; // where the next workbook goes; empty for a temporary file
QString mUltimo;
int mIntervaloAviso = 40;

void falla(const char* que, lxw_error e) {
    if (e != LXW_NO_ERROR)
        throw plataforma::ErrorEjecucion(1004, QString::fromLatin1(que) + QStringLiteral(": ") +
                                                   QString::fromUtf8(lxw_strerror(e)));
}

// The per-cell form of a skipped step: no allocation, as it runs for every cell of a long list.
template <class F> void intentar(F&& f) {
    try {
        f();
    } catch (const plataforma::FinDelPrograma&) {
        throw;
    } catch (...) {
        // The cell stays empty and the export goes on, as a skipped step does.
    }
}

// The cells of a long export go to the workbook on a thread of their own, in
// batches, while the rows are read: writing (compressing, formatting numbers)
// and reading (the engine, the values) then take a core each. Only that thread
// touches the workbook meanwhile; its formats are made there too.
class Escritor {
public:
    struct Celda {
        enum class Tipo : uint8_t { Vacia, Numero, Texto };
        lxw_row_t fila;
        lxw_col_t col;
        Tipo tipo;
        bool sombra;
        Formato formato;
        double numero;
        QByteArray texto;
    };
    Escritor()
        : mHilo([this] { escribir(); }) {}
    ~Escritor() {
        enviar();
        {
            std::lock_guard<std::mutex> g(mMutex);
            mFin = true;
        }
        mHay.notify_one();
        mHilo.join();
    }
    Escritor(const Escritor&) = delete;
    Escritor& operator=(const Escritor&) = delete;
    void agregar(Celda c) {
        mLote.push_back(std::move(c));
        if (mLote.size() >= kLote) enviar();
    }

private:
    static constexpr size_t kLote = 4096, kEnEspera = 8; // cells per batch, batches waiting at most
    void enviar() {
        if (mLote.empty()) return;
        std::unique_lock<std::mutex> g(mMutex);
        mLibre.wait(g, [&] { return mCola.size() < kEnEspera; });
        mCola.push_back(std::move(mLote));
        mLote.clear();
        mLote.reserve(kLote);
        g.unlock();
        mHay.notify_one();
    }
    void escribir() {
        for (;;) {
            std::vector<Celda> lote;
            {
                std::unique_lock<std::mutex> g(mMutex);
                mHay.wait(g, [&] { return mFin || !mCola.empty(); });
                if (mCola.empty()) return;
                lote = std::move(mCola.front());
                mCola.pop_front();
            }
            mLibre.notify_one();
            for (const Celda& c : lote) {
                lxw_format* f = gLibro.formato(c.sombra, c.formato);
                // A cell the writer refuses stays empty, as when written at once.
                switch (c.tipo) {
                case Celda::Tipo::Vacia:
                    worksheet_write_blank(gLibro.ws, c.fila, c.col, f);
                    break;
                case Celda::Tipo::Numero:
                    worksheet_write_number(gLibro.ws, c.fila, c.col, c.numero, f);
                    break;
                case Celda::Tipo::Texto:
                    worksheet_write_string(gLibro.ws, c.fila, c.col, c.texto.constData(), f);
                    break;
                }
            }
        }
    }
    std::vector<Celda> mLote;
    std::deque<std::vector<Celda>> mCola;
    std::mutex mMutex;
    std::condition_variable mHay, mLibre;
    bool mFin = false;
    std::thread mHilo;
};
Escritor* gEscritor = nullptr;

// A data cell (0-based row and column): to the writer's thread while there is one.
void celda(int fila, lxw_col_t col, Escritor::Celda::Tipo tipo, bool sombra, Formato f, double numero = 0,
           QByteArray texto = {}) {
    const auto r = static_cast<lxw_row_t>(fila);
    if (gEscritor) {
        gEscritor->agregar({r, col, tipo, sombra, f, numero, std::move(texto)});
        return;
    }
    lxw_format* x = gLibro.formato(sombra, f);
    switch (tipo) {
    case Escritor::Celda::Tipo::Vacia:
        falla("celda", worksheet_write_blank(gLibro.ws, r, col, x));
        break;
    case Escritor::Celda::Tipo::Numero:
        falla("celda", worksheet_write_number(gLibro.ws, r, col, numero, x));
        break;
    case Escritor::Celda::Tipo::Texto:
        falla("celda", worksheet_write_string(gLibro.ws, r, col, texto.constData(), x));
        break;
    }
}

void exigirLibro() {
    if (!gLibro.ws) throw plataforma::ErrorEjecucion(91, QStringLiteral("No hay un libro abierto"));
}

// XML cannot carry most control characters; a cell holds at most 32767.
bool cabeEnXml(QChar c) {
    const char16_t u = c.unicode();
    return u >= 0x20 || u == u'\t' || u == u'\n' || u == u'\r';
}

QByteArray textoCelda(const QString& t) {
    if (t.size() <= kMaxTexto && std::all_of(t.cbegin(), t.cend(), cabeEnXml)) return t.toUtf8();
    QString s;
    s.reserve(t.size());
    for (QChar c : t)
        if (cabeEnXml(c)) s.append(c);
    if (s.size() > kMaxTexto) s.truncate(kMaxTexto);
    return s.toUtf8();
}

void escribirTexto(int fila, int col, const QString& t, lxw_format* f) {
    const QByteArray b = textoCelda(t);
    if (b.isEmpty())
        falla("celda", worksheet_write_blank(gLibro.ws, fila - 1, col - 1, f));
    else
        falla("celda", worksheet_write_string(gLibro.ws, fila - 1, col - 1, b.constData(), f));
    gLibro.columna(col - 1);
    if (gLibro.medir) gLibro.largo[col - 1] = std::max(gLibro.largo[col - 1], static_cast<int>(t.size()));
}

double serialFecha(const QDate& d) {
    return static_cast<double>(d.toJulianDay() - QDate(1899, 12, 30).toJulianDay());
}

double serialHora(const QTime& t) {
    return t.msecsSinceStartOfDay() / 86400000.0;
}

// The display text of a number in "#,##0.00", for fitting columns.
// The length of "#,##0.00" as the sheet shows the value: the fixed text with
// two decimals and one separator per three whole digits (printf rounds as
// the sheet does; measured for every cell, so without building a locale).
int largoMoneda(double v) {
    char b[400];
    const int n = std::snprintf(b, sizeof b, "%.2f", v);
    if (n <= 0 || n >= static_cast<int>(sizeof b)) return 0;
    const char* p = b[0] == '-' ? b + 1 : b;
    int enteros = 0;
    while (p[enteros] && p[enteros] != '.')
        ++enteros;
    return n + (enteros > 0 ? (enteros - 1) / 3 : 0);
}

void cerrarSinGuardar() {
    if (gLibro.wb) {
        // libxlsxwriter has no discard: write the file and remove it.
        workbook_close(gLibro.wb);
        QFile::remove(gLibro.ruta);
    }
    gLibro = Libro{};
}

// Writes the file; false when it could not be written.
bool cerrarLibro() {
    if (!gLibro.wb) return false;
    if (gLibro.ws) {
        for (int c = 0; c < static_cast<int>(gLibro.anchos.size()); ++c) {
            double ancho = gLibro.anchos[c];
            // The defined size gives the least width; the header and the widest text written
            // widen it, up to a limit, so that nothing is cut and no number shows as "###".
            if (gLibro.largo[c] > 0) {
                const double ajustado = std::min(gLibro.largo[c] * 1.1 + 2.0, kAnchoMaximo);
                ancho = gLibro.autoAjuste ? ajustado : std::max(ancho, ajustado);
            }
            const Formato f = gLibro.formatoColumna[c];
            lxw_format* fmt = f == Formato::Ninguno ? nullptr : gLibro.formato(false, f);
            if (ancho < 0 && !fmt) continue;
            worksheet_set_column(gLibro.ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 ancho < 0 ? LXW_DEF_COL_WIDTH : ancho, fmt);
        }
    }
    const lxw_error e = workbook_close(gLibro.wb);
    mUltimo = gLibro.ruta;
    gLibro = Libro{};
    return e == LXW_NO_ERROR;
}

QString rutaTemporal() {
    QTemporaryFile t(QDir::tempPath() + QStringLiteral("/Quenzar-XXXXXX.xlsx"));
    t.setAutoRemove(false);
    if (!t.open()) return QDir::tempPath() + QStringLiteral("/Quenzar.xlsx");
    return t.fileName();
}

} // namespace

double filaEncabezado() {
    return mFilaEncabezado;
}

QString ultimoLibro() {
    return mUltimo;
}

void setIntervaloAviso(int ms) {
    mIntervaloAviso = ms;
}

QString LetraColumna(int16_t Indice) {
    static const QStringList letras = [] {
        QStringList l;
        for (char a = 'A'; a <= 'Z'; ++a)
            l << QString(QLatin1Char(a));
        for (char a = 'A'; a <= 'Z'; ++a)
            l << QStringLiteral("A") + QLatin1Char(a);
        return l;
    }();
    if (Indice < 0 || Indice >= letras.size()) return {};
    return letras[Indice];
}

void AbrirLibroExcel(int16_t& NumHojas) {
    if (NumHojas == 0) NumHojas = 2;
    if (gLibro.wb) cerrarSinGuardar();
    gLibro.ruta = mDestino.isEmpty() ? rutaTemporal() : mDestino;
    lxw_workbook_options opciones{};
    // Rows are written in order and flushed as they go: memory stays flat on long lists.
    opciones.constant_memory = LXW_TRUE;
    const QByteArray ruta = QFile::encodeName(gLibro.ruta);
    gLibro.wb = workbook_new_opt(ruta.constData(), &opciones);
    if (!gLibro.wb) throw plataforma::ErrorEjecucion(429, QStringLiteral("No se pudo crear el libro"));
    for (int i = 1; i <= NumHojas; ++i) {
        const QByteArray nombre = QStringLiteral("Hoja%1").arg(i).toUtf8();
        lxw_worksheet* h = workbook_add_worksheet(gLibro.wb, nombre.constData());
        if (i == 1) gLibro.ws = h;
    }
    exigirLibro();
}

void EncabezadoExcel(int16_t NumColumnas, const QStringList& Encabezados, const QVector<int32_t>& Anchos) {
    exigirLibro();
    const int n = NumColumnas - 1;
    int w = 1;
    auto& l = gLibro;
    auto formatoTitulo = [&] {
        if (!l.titulo) {
            l.titulo = workbook_add_format(l.wb);
            format_set_font_color(l.titulo, kRojo);
            format_set_bold(l.titulo);
        }
        return l.titulo;
    };
    if (!mTitulo.isEmpty()) {
        // With fewer than three columns the date would land on the title: it goes beside it instead.
        escribirTexto(w, 2, mTitulo, formatoTitulo());
        escribirTexto(w, std::max(n, 3), shell::FechaServidor().toString(QStringLiteral("dd/MM")), l.titulo);
        ++w;
    }
    if (!mSubtitulo.isEmpty()) {
        escribirTexto(w, 1, mSubtitulo, formatoTitulo());
        ++w;
    }
    // Font size 11 is the workbook's default: every cell already has it.
    if (!l.encabezado) {
        l.encabezado = workbook_add_format(l.wb);
        format_set_border(l.encabezado, LXW_BORDER_THIN);
        format_set_bg_color(l.encabezado, kAzul);
        format_set_font_color(l.encabezado, kBlanco);
        format_set_bold(l.encabezado);
    }
    l.medir = true;
    for (int i = 1; i <= n; ++i)
        escribirTexto(w, i, i < Encabezados.size() ? Encabezados[i] : QString(), l.encabezado);
    for (int i = 1; i <= n; ++i) {
        l.columna(i - 1);
        l.anchos[i - 1] = (i < Anchos.size() ? Anchos[i] : 0) / 90.0;
    }
    mFilaEncabezado = w;
}

namespace {

// The columns written: every one but "ID", which is left out of the data as it
// is of the headers, so that both line up.
struct Columnas {
    QVector<datos::ColumnaLeida> leidas;
    QVector<int> hoja; // the sheet column of each (1-based); 0 for "ID"
    QStringList encabezados{QString()};
    QVector<int32_t> anchos{0};
};

Columnas columnasExportadas(ado::Recordset& rs) {
    Columnas c;
    c.leidas = datos::columnasDe(rs);
    c.hoja.fill(0, c.leidas.size());
    int escritas = 0;
    for (int j = 0; j < c.leidas.size(); ++j) {
        const datos::ColumnaLeida& f = c.leidas[j];
        if (f.nombre == QLatin1String("ID")) continue;
        c.hoja[j] = ++escritas;
        c.encabezados << f.nombre;
        c.anchos << std::max<int32_t>(f.tamano, 500);
    }
    return c;
}

// What a number's text can start with, blanks aside (digits, a sign, a
// separator, the currency sign): any other text is none, without parsing it.
bool puedeSerNumero(const QString& t) {
    for (const QChar c : t) {
        if (c.isSpace()) continue;
        return c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('.') ||
               c == QLatin1Char(',') || c == QLatin1Char('$');
    }
    return false;
}

// A text of the data (0-based row and column), measured for the column's width as escribirTexto does.
void textoDeDatos(int fila, lxw_col_t col, const QString& t, bool sombra, Formato f) {
    QByteArray b = textoCelda(t);
    if (b.isEmpty())
        celda(fila, col, Escritor::Celda::Tipo::Vacia, sombra, f);
    else
        celda(fila, col, Escritor::Celda::Tipo::Texto, sombra, f, 0, std::move(b));
    gLibro.columna(static_cast<int>(col));
    if (gLibro.medir) gLibro.largo[col] = std::max(gLibro.largo[col], static_cast<int>(t.size()));
}

// One value in row R, column C (1-based): numbers as numbers, dates as
// serials, the rest as text.
void escribirCelda(int R, int C, const QVariant& v, const datos::ColumnaLeida& columna,
                   orvexa::Utilidades& u) {
    exigirLibro();
    auto& l = gLibro;
    l.columna(C - 1);
    const bool sombra = R % 2 == 1;
    const int fila = R - 1;
    const auto col = static_cast<lxw_col_t>(C - 1);
    using Tipo = Escritor::Celda::Tipo;
    if (v.isNull() || !v.isValid()) {
        celda(fila, col, Tipo::Vacia, sombra, Formato::Ninguno);
        return;
    }
    const int tipo = v.typeId();
    const bool esFecha = tipo == QMetaType::QDateTime || tipo == QMetaType::QDate || tipo == QMetaType::QTime;
    const bool esNumero = tipo != QMetaType::QString && tipo != QMetaType::QByteArray && !esFecha;
    const QString texto = esNumero || esFecha ? QString() : datos::textoDeCelda(v);
    // The number test on the value's text; a numeric value skips the text round trip, and so
    // does a text that cannot start a number.
    const bool pasaNumero = esNumero ? std::round(v.toDouble() * 10000.0) != 0
                                     : (!esFecha && puedeSerNumero(texto) && u.ANumero(texto) != 0);
    if (pasaNumero) {
        const Formato f = columna.tipo == ado::adInteger ? Formato::Ninguno
                          : (columna.tipo == ado::adNumeric || columna.tipo == ado::adCurrency)
                              ? Formato::Moneda
                              : Formato::Texto;
        if (!esNumero) {
            textoDeDatos(fila, col, texto, sombra, f);
            return;
        }
        const double d = v.toDouble();
        celda(fila, col, Tipo::Numero, sombra, f, d);
        if (R >= 3) l.suma[C - 1] += d;
        l.largo[C - 1] = std::max(
            l.largo[C - 1], f == Formato::Moneda ? largoMoneda(d) : static_cast<int>(v.toString().size()));
        return;
    }
    if (esFecha) {
        const QDate d = tipo == QMetaType::QDateTime ? v.toDateTime().date()
                        : tipo == QMetaType::QDate   ? v.toDate()
                                                     : QDate();
        const QTime t = tipo == QMetaType::QDateTime ? v.toDateTime().time()
                        : tipo == QMetaType::QTime   ? v.toTime()
                                                     : QTime();
        // A value with a time of day shows as a time, except in the one column kept as a date.
        const bool conHora = tipo == QMetaType::QTime || (t.isValid() && t.msecsSinceStartOfDay() != 0);
        const bool comoHora = conHora && columna.nombre != QLatin1String("FhUltimoCosto");
        const Formato f = comoHora ? Formato::Hora : Formato::Fecha;
        const double serial = comoHora ? serialHora(t) : serialFecha(d);
        celda(fila, col, Tipo::Numero, sombra, f, serial);
        l.formatoColumna[C - 1] = f;
        l.largo[C - 1] = std::max(l.largo[C - 1], comoHora ? 8 : 10);
        l.autoAjuste = true;
        return;
    }
    textoDeDatos(fila, col, (esNumero ? datos::textoDeCelda(v) : texto).trimmed(), sombra, Formato::Ninguno);
}

// Below the last row F, the sum of each column the caller names.
void escribirTotales(const QString& CamposTotales, const Columnas& c, int F, plataforma::Rutina& r) {
    const QStringList pedidos = CamposTotales.split(QLatin1Char(','));
    for (const QString& pedido : pedidos) {
        for (int j = 0; j < c.leidas.size(); ++j) {
            if (c.leidas[j].nombre != pedido.trimmed() || c.hoja[j] == 0) continue;
            const int m = c.hoja[j] - 1; // the written column, 0-based
            r.paso([&] {
                exigirLibro();
                const QString L = LetraColumna(static_cast<int16_t>(m));
                if (L.isEmpty())
                    throw plataforma::ErrorEjecucion(1004, QStringLiteral("Columna fuera de rango"));
                auto& l = gLibro;
                if (!l.negrita) {
                    l.negrita = workbook_add_format(l.wb);
                    format_set_bold(l.negrita);
                }
                const QByteArray formula = (QStringLiteral("=SUM(") + L + QStringLiteral("3:") + L +
                                            QString::number(F) + QLatin1Char(')'))
                                               .toLatin1();
                l.columna(m);
                // The cached total lets viewers that do not recalculate show it.
                falla("fórmula",
                      worksheet_write_formula_num(l.ws, static_cast<lxw_row_t>(F), static_cast<lxw_col_t>(m),
                                                  formula.constData(), l.negrita, l.suma[m]));
            });
        }
    }
}

// Closes the workbook and, when it is to be seen, opens it in the user's spreadsheet program.
void terminarLibro(bool VistaPrevia, const QString& Archivo) {
    const bool hayLibro = gLibro.wb != nullptr;
    const bool escrito = hayLibro && cerrarLibro();
    mDestino.clear();
    if (!hayLibro) return;
    if (!escrito) {
        ui::MsgBox(QStringLiteral("No se pudo escribir la planilla en ") + QDir::toNativeSeparators(mUltimo) +
                       QStringLiteral("."),
                   ui::vbExclamation, QStringLiteral("Exportar a Excel"));
        return;
    }
    if (VistaPrevia || Archivo.isEmpty()) {
        // The desktop opens the workbook with the user's spreadsheet program.
        if (ui::Actual().iniciarProceso(QStringLiteral("xdg-open"), {mUltimo}) == 0)
            ui::MsgBox(QStringLiteral("La planilla quedó guardada en ") + QDir::toNativeSeparators(mUltimo) +
                           QStringLiteral(", pero no hay un programa que la abra."),
                       ui::vbInformation, QStringLiteral("Exportar a Excel"));
    }
}

} // namespace

void ExportarExcel(const QString& SentenciaSQL, bool VistaPrevia, const QString& Titulo,
                   const QString& Subtitulo, const QString& Archivo, QLabel* Progreso, int16_t /*Reservado*/,
                   const QString& CamposTotales) {
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    orvexa::Utilidades u;
    auto& db = datos::gDB();
    ado::Recordset rs;
    r.paso([&] {
        if (!Archivo.isEmpty() && QFile::exists(Archivo)) QFile::remove(Archivo);
    });
    r.paso([&] {
        mTitulo = Titulo;
        mSubtitulo = Subtitulo;
    });
    r.paso([&] {
        QString sql = SentenciaSQL;
        // A server-side forward-only cursor: rows already copied are not kept, whatever the list's length.
        rs.setCursorLocation(ado::adUseServer);
        db.AbrirRecordset(sql, rs, nullptr, ado::adOpenForwardOnly, ado::adLockReadOnly, -1, true);
    });
    bool vacio = true;
    r.paso([&] { vacio = rs.State() != ado::adStateOpen || rs.BOF() || rs.Eof(); });
    if (vacio) {
        r.paso([&] { db.CierraRecordset(rs); });
        return;
    }
    Columnas columnas;
    r.paso([&] {
        mFilaEncabezado = 1;
        columnas = columnasExportadas(rs);
    });
    const int nCampos = static_cast<int>(columnas.leidas.size());
    // The temporary file of a shown workbook; the caller's file when saving.
    mDestino = (!VistaPrevia && !Archivo.isEmpty()) ? Archivo : QString();
    r.paso([&] {
        int16_t hojas = 0;
        AbrirLibroExcel(hojas);
    });
    r.paso([&] {
        EncabezadoExcel(static_cast<int16_t>(columnas.encabezados.size()), columnas.encabezados,
                        columnas.anchos);
    });
    auto& cartel = notice::cartelActual();
    if (!Progreso) r.paso([&] { cartel.CartelInicio(QStringLiteral("Exportando a Excel"), 1); });

    qint64 total = -1;
    // That cursor does not know its count: a second, client-side one counts without keeping rows.
    r.paso([&] {
        ado::Recordset conteo;
        QString sql = SentenciaSQL;
        db.AbrirRecordset(sql, conteo, nullptr, ado::adOpenForwardOnly, ado::adLockReadOnly, -1, true);
        total = conteo.RecordCount();
        db.CierraRecordset(conteo);
    });
    int F = static_cast<int>(mFilaEncabezado);
    bool cancelado = false;
    // Progress is shown a few dozen times a second, not per cell: drawing costs more than writing.
    QElapsedTimer reloj;
    reloj.start();
    qint64 ultimoAviso = -1000;
    qint64 leidos = 0;
    auto avisar = [&] {
        r.paso([&] {
            if (!Progreso) {
                cartel.CartelMostrar(cancelado, QStringLiteral("Exportando a Excel"),
                                     QStringLiteral("Espere Por Favor"),
                                     QString::number(F) + QStringLiteral(" de ") + QString::number(total));
            } else {
                ui::DoEvents();
                shell::DibujaProgreso(Progreso, total > 0 ? leidos * 100.0 / static_cast<double>(total) : 0.0,
                                      QColor(255, 0, 0),
                                      Titulo + QStringLiteral(" Leidos: ") + QString::number(leidos) +
                                          QStringLiteral(" DE ") + QString::number(total) +
                                          QStringLiteral(" Avance: "));
            }
        });
    };
    // Until the last row is written: the totals and the file's end come after it.
    std::optional<Escritor> escritor(std::in_place);
    gEscritor = &*escritor;
    struct Soltar {
        std::optional<Escritor>& e;
        ~Soltar() {
            gEscritor = nullptr;
            e.reset();
        }
    } soltar{escritor};
    while (!cancelado) {
        bool fin = true;
        intentar([&] { fin = rs.Eof(); });
        if (fin) break;
        ++leidos;
        for (int j = 0; j < nCampos && !cancelado; ++j) {
            if (columnas.hoja[j] == 0) continue;
            if (reloj.elapsed() - ultimoAviso >= mIntervaloAviso) {
                ultimoAviso = reloj.elapsed();
                avisar();
                if (cancelado) break;
            }
            intentar([&] { escribirCelda(F + 1, columnas.hoja[j], rs(j).Value(), columnas.leidas[j], u); });
        }
        if (cancelado) break;
        ++F;
        intentar([&] { rs.MoveNext(); });
    }
    gEscritor = nullptr;
    escritor.reset();
    if (!cancelado) avisar();
    if (!cancelado && !CamposTotales.isEmpty()) escribirTotales(CamposTotales, columnas, F, r);
    r.paso([&] { cartel.CartelCerrar(); });
    r.paso([&] { db.CierraRecordset(rs); });
    terminarLibro(VistaPrevia, Archivo);
}

} // namespace exportacion
