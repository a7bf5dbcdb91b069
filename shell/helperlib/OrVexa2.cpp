#include "shell/helperlib/OrVexa2.h"

#include "platform/Texto1252.h"
#include "platform/ado/Ado.h"
#include "platform/ui/Dialogos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <charconv>
#include <cmath>
#include <sodium.h>
#include <string>

namespace orvexa {

using plataforma::ErrorEjecucion;

namespace {

[[noreturn]] void fallar(int32_t numero, const QString& texto) {
    throw ErrorEjecucion(numero, texto, QLatin1String(kOrigen));
}

// Reads a number written with "." or "," as decimal separator; with both, the
// last one is the decimal separator and the other groups thousands.
std::optional<double> leerNumero(const QString& texto) {
    QString s = texto.trimmed();
    if (s.isEmpty()) return std::nullopt;
    const int punto = s.lastIndexOf(QLatin1Char('.'));
    const int coma = s.lastIndexOf(QLatin1Char(','));
    if (punto >= 0 && coma >= 0) {
        if (coma > punto)
            s.remove(QLatin1Char('.')).replace(QLatin1Char(','), QLatin1Char('.'));
        else
            s.remove(QLatin1Char(','));
    } else if (coma >= 0) {
        if (s.count(QLatin1Char(',')) > 1) return std::nullopt;
        s.replace(QLatin1Char(','), QLatin1Char('.'));
    }
    if (s.startsWith(QLatin1Char('$'))) s = s.mid(1).trimmed();
    // What QString::toDouble reads (ASCII, an optional sign, no hexadecimal),
    // without its locale machinery: this runs for every cell of an export.
    std::string ascii;
    ascii.reserve(static_cast<size_t>(s.size()));
    for (const QChar c : s) {
        if (c.unicode() > 0x7f) return std::nullopt;
        ascii.push_back(static_cast<char>(c.unicode()));
    }
    const char* p = ascii.data();
    const char* fin = p + ascii.size();
    if (p != fin && *p == '+') {
        ++p;
        if (p != fin && (*p == '+' || *p == '-')) return std::nullopt;
    }
    if (p == fin) return std::nullopt;
    double v = 0;
    const auto r = std::from_chars(p, fin, v);
    if (r.ec != std::errc() || r.ptr != fin || !std::isfinite(v)) return std::nullopt;
    return v;
}

QByteArray claveMaquina() {
    if (sodium_init() < 0) fallar(51, QStringLiteral("No se pudo iniciar la biblioteca de cifrado."));
    const QString ruta = ArchivoIni::carpetaIni() + QStringLiteral("/quenzar.clave");
    QFile f(ruta);
    if (f.exists()) {
        if (!f.open(QIODevice::ReadOnly))
            fallar(75, QStringLiteral("No se puede leer la clave de cifrado %1.").arg(ruta));
        QByteArray k = f.readAll();
        if (k.size() == crypto_secretbox_KEYBYTES) return k;
        fallar(5, QStringLiteral("La clave de cifrado %1 está dañada.").arg(ruta));
    }
    QDir().mkpath(QFileInfo(ruta).path());
    QByteArray k(crypto_secretbox_KEYBYTES, 0);
    crypto_secretbox_keygen(reinterpret_cast<unsigned char*>(k.data()));
    QSaveFile s(ruta);
    if (!s.open(QIODevice::WriteOnly))
        fallar(75, QStringLiteral("No se puede crear la clave de cifrado %1.").arg(ruta));
    s.write(k);
    if (!s.commit()) fallar(75, QStringLiteral("No se puede crear la clave de cifrado %1.").arg(ruta));
    QFile::setPermissions(ruta, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return k;
}

const QString kPrefijoCifrado = QStringLiteral("KV1:");

} // namespace

// ------------------------------------------------------------------ Equipo

QString Equipo::NombreEquipo() const {
    const QString n = QSysInfo::machineHostName();
    return n.isEmpty() ? QStringLiteral("LOCALHOST") : n;
}

QString Equipo::NombreUsuarioWindows() const {
    for (const char* v : {"USER", "USERNAME", "LOGNAME"}) {
        const QString u = qEnvironmentVariable(v);
        if (!u.isEmpty()) return u;
    }
    return QStringLiteral("usuario");
}

QString Equipo::CarpetaTemporal() const {
    return QDir::tempPath();
}

// ------------------------------------------------------------------ ArchivoIni

QString ArchivoIni::carpetaIni() {
    const QString env = qEnvironmentVariable("QUENZAR_CARPETA_INI");
    if (!env.isEmpty()) return QDir::cleanPath(env);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quenzar");
}

QString ArchivoIni::rutaIni(const QString& archivo) {
    const QString a = QDir::fromNativeSeparators(archivo.trimmed());
    if (a.contains(QLatin1Char('/'))) return a;
    const QString carpeta = carpetaIni();
    // File names are matched without letter case, as on the original platform.
    const QDir dir(carpeta);
    for (const QString& f : dir.entryList(QDir::Files))
        if (f.compare(a, Qt::CaseInsensitive) == 0) return carpeta + QLatin1Char('/') + f;
    return carpeta + QLatin1Char('/') + a;
}

QString ArchivoIni::LeerIni(const QString& archivo, const QString& seccion, const QString& clave,
                            const QString& defecto) const {
    QFile f(rutaIni(archivo));
    if (!f.open(QIODevice::ReadOnly)) return defecto;
    const QString texto = plataforma::desde1252(f.readAll());
    bool enSeccion = false;
    for (QString linea : texto.split(QLatin1Char('\n'))) {
        linea = linea.trimmed();
        if (linea.isEmpty() || linea.startsWith(QLatin1Char(';'))) continue;
        if (linea.startsWith(QLatin1Char('['))) {
            const int c = linea.indexOf(QLatin1Char(']'));
            enSeccion =
                c > 0 && linea.mid(1, c - 1).trimmed().compare(seccion.trimmed(), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!enSeccion) continue;
        const int igual = linea.indexOf(QLatin1Char('='));
        if (igual <= 0) continue;
        if (linea.left(igual).trimmed().compare(clave.trimmed(), Qt::CaseInsensitive) == 0) {
            QString v = linea.mid(igual + 1).trimmed();
            if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))
                v = v.mid(1, v.size() - 2);
            return v;
        }
    }
    return defecto;
}

void ArchivoIni::escribirIni(const QString& archivo, const QString& seccion, const QString& clave,
                             const QString& valor) const {
    const QString ruta = rutaIni(archivo);
    QDir().mkpath(QFileInfo(ruta).path());
    QStringList lineas;
    {
        QFile f(ruta);
        if (f.open(QIODevice::ReadOnly)) {
            lineas = plataforma::desde1252(f.readAll()).split(QLatin1Char('\n'));
            for (auto& l : lineas)
                if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
            while (!lineas.isEmpty() && lineas.last().isEmpty())
                lineas.removeLast();
        }
    }
    int inicio = -1, fin = static_cast<int>(lineas.size());
    for (int i = 0; i < lineas.size(); ++i) {
        const QString l = lineas[i].trimmed();
        if (!l.startsWith(QLatin1Char('['))) continue;
        if (inicio >= 0) {
            fin = i;
            break;
        }
        const int c = l.indexOf(QLatin1Char(']'));
        if (c > 0 && l.mid(1, c - 1).trimmed().compare(seccion.trimmed(), Qt::CaseInsensitive) == 0)
            inicio = i;
    }
    const QString nueva = clave.trimmed() + QLatin1Char('=') + valor;
    if (inicio < 0) {
        lineas << QLatin1Char('[') + seccion.trimmed() + QLatin1Char(']') << nueva;
    } else {
        bool hecho = false;
        for (int i = inicio + 1; i < fin; ++i) {
            const int igual = lineas[i].indexOf(QLatin1Char('='));
            if (igual > 0 &&
                lineas[i].left(igual).trimmed().compare(clave.trimmed(), Qt::CaseInsensitive) == 0) {
                lineas[i] = nueva;
                hecho = true;
                break;
            }
        }
        if (!hecho) lineas.insert(fin, nueva);
    }
    QSaveFile s(ruta);
    if (!s.open(QIODevice::WriteOnly)) fallar(75, QStringLiteral("No se puede escribir %1.").arg(ruta));
    s.write(plataforma::a1252(lineas.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    if (!s.commit()) fallar(75, QStringLiteral("No se puede escribir %1.").arg(ruta));
}

// ------------------------------------------------------------------ Carpeta

void Carpeta::FijarCarpeta(const QString& carpeta) {
    const QString c = QDir::fromNativeSeparators(carpeta);
    if (!QDir::setCurrent(c)) fallar(76, QStringLiteral("No se encontró la ruta de acceso: %1").arg(carpeta));
}

// ------------------------------------------------------------------ Utilidades

QString Utilidades::AgregarBarra(const QString& carpeta) const {
    if (carpeta.endsWith(QLatin1Char('/')) || carpeta.endsWith(QLatin1Char('\\'))) return carpeta;
    return carpeta + QDir::separator();
}

QString Utilidades::QuitarCaracter(const QString& texto, const QString& caracter) const {
    if (caracter.isEmpty()) return texto;
    QString r = texto;
    r.remove(caracter.at(0));
    return r;
}

QString Utilidades::Reemplazar(const QString& texto, const QString& buscado, const QString& reemplazo) const {
    if (buscado.isEmpty()) return texto;
    QString r = texto;
    return r.replace(buscado, reemplazo);
}

QString Utilidades::CambiarCaracter(const QString& texto, const QString& caracter,
                                    const QString& nuevo) const {
    if (caracter.isEmpty()) return texto;
    QString r = texto;
    if (nuevo.isEmpty()) return r.remove(caracter.at(0));
    return r.replace(caracter.at(0), nuevo.at(0));
}

QString Utilidades::Recortar(const QString& texto, int n) const {
    return n <= 0 ? QString() : texto.left(n);
}

double Utilidades::ANumero(const QString& texto) const {
    const auto v = leerNumero(texto);
    if (!v) return 0;
    return std::round(*v * 10000.0) / 10000.0;
}

bool Utilidades::EsNumero(const QString& texto) const {
    return leerNumero(texto).has_value();
}

QString Utilidades::NoNulo(const QVariant& valor) const {
    return textoDeValor(valor);
}

int Utilidades::ContarPalabras(const QString& texto) const {
    return static_cast<int>(
        texto.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts).size());
}

QString Utilidades::Encriptar(const QString& texto) const {
    const QByteArray clave = claveMaquina();
    const QByteArray claro = texto.toUtf8();
    QByteArray salida(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES + claro.size(), 0);
    auto* nonce = reinterpret_cast<unsigned char*>(salida.data());
    randombytes_buf(nonce, crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(nonce + crypto_secretbox_NONCEBYTES,
                          reinterpret_cast<const unsigned char*>(claro.constData()),
                          static_cast<unsigned long long>(claro.size()), nonce,
                          reinterpret_cast<const unsigned char*>(clave.constData()));
    // Base64 holds no comma: the value fits a comma-separated record.
    return kPrefijoCifrado + QString::fromLatin1(salida.toBase64());
}

QString Utilidades::Desencriptar(const QString& texto) const {
    const QString t = texto.trimmed();
    auto invalido = [] { fallar(5, QStringLiteral("El texto cifrado no es válido o fue alterado.")); };
    if (!t.startsWith(kPrefijoCifrado)) invalido();
    const auto dec = QByteArray::fromBase64Encoding(t.mid(kPrefijoCifrado.size()).toLatin1(),
                                                    QByteArray::AbortOnBase64DecodingErrors);
    if (!dec ||
        dec.decoded.size() < static_cast<int>(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES))
        invalido();
    const QByteArray clave = claveMaquina();
    const QByteArray& datos = dec.decoded;
    const auto* nonce = reinterpret_cast<const unsigned char*>(datos.constData());
    const qsizetype largoCifrado = datos.size() - static_cast<qsizetype>(crypto_secretbox_NONCEBYTES);
    QByteArray claro(largoCifrado - static_cast<qsizetype>(crypto_secretbox_MACBYTES), 0);
    if (crypto_secretbox_open_easy(reinterpret_cast<unsigned char*>(claro.data()),
                                   nonce + crypto_secretbox_NONCEBYTES,
                                   static_cast<unsigned long long>(largoCifrado), nonce,
                                   reinterpret_cast<const unsigned char*>(clave.constData())) != 0)
        invalido();
    return QString::fromUtf8(claro);
}

std::optional<QDate> Utilidades::ElegirFecha() const {
    return ui::Actual().ElegirFecha(QStringLiteral("Fecha"));
}

int Utilidades::MostrarError(const ErrorEjecucion& error, int botones, const QString& rutina) const {
    QString texto = QStringLiteral("Error %1: %2").arg(error.Number()).arg(error.Description().trimmed());
    if (!error.Source().isEmpty()) texto += QStringLiteral("\rOrigen: ") + error.Source();
    if (!rutina.isEmpty()) texto += QStringLiteral("\rRutina: ") + rutina;
    return ui::MsgBox(texto, botones, QStringLiteral("Aviso al operador"));
}

// ------------------------------------------------------------------ DialogoArchivo

void DialogoArchivo::mostrarAbrir() {
    const auto r = ui::Actual().abrirArchivo(Titulo, Filtro, CarpetaInicial);
    mCancelado = !r.has_value();
    mNombre = r.value_or(QString());
}

// ------------------------------------------------------------------ values

QString textoDeValor(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return {};
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
            return QString::number(static_cast<qint64>(d));
        QString s = QString::number(d, 'f', 4);
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.'))) s.chop(1);
        return s;
    }
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QDateTime: {
        const QDateTime f = v.toDateTime();
        if (f.time() == QTime(0, 0)) return f.date().toString(QStringLiteral("dd/MM/yyyy"));
        return f.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    }
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    default:
        return v.toString();
    }
}

} // namespace orvexa
