#include "platform/ui/Dialogos.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>

namespace ui {

namespace {
std::unique_ptr<Interfaz>& ranura() {
    static std::unique_ptr<Interfaz> actual;
    return actual;
}
} // namespace

Interfaz& Actual() {
    auto& r = ranura();
    if (!r) r = std::make_unique<InterfazSinVentanas>();
    return *r;
}

int InterfazSinVentanas::MsgBox(const QString& texto, int estilo, const QString& titulo) {
    const int r = respuestaPorDefecto(estilo);
    std::fprintf(stderr, "%s: %s [respuesta %d, sin ventanas]\n",
                 qPrintable(titulo.isEmpty() ? tituloPrograma() : titulo), qPrintable(texto), r);
    return r;
}

std::optional<QString> InterfazSinVentanas::InputBox(const QString&, const QString&, const QString&) {
    return std::nullopt;
}

std::optional<QString> InterfazSinVentanas::abrirArchivo(const QString&, const QString&, const QString&) {
    return std::nullopt;
}

std::optional<QDate> InterfazSinVentanas::ElegirFecha(const QString&) {
    return std::nullopt;
}

int InterfazSinVentanas::mostrarModal(QWidget*) {
    return 0;
}

qint64 InterfazSinVentanas::iniciarProceso(const QString& programa, const QStringList& argumentos) {
    qint64 pid = 0;
    if (!QProcess::startDetached(programa, argumentos, QString(), &pid)) return 0;
    return pid;
}

bool InterfazSinVentanas::crearAccesoDirecto(const QString& nombre, const QString& destino,
                                             const QString& argumentos, const QString& carpetaTrabajo) {
    QString escritorio = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (escritorio.isEmpty()) return false;
    QDir().mkpath(escritorio);
    QFile f(escritorio + QLatin1Char('/') + nombre + QStringLiteral(".desktop"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    // The command line of a desktop entry: each argument in double quotes, with
    // the characters the entry reserves inside quotes escaped, then the
    // backslashes of the whole value doubled.
    auto citado = [](QString a) {
        QString r;
        for (const QChar c : a) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                r += QLatin1Char('\\');
            r += c;
        }
        return QLatin1Char('"') + r + QLatin1Char('"');
    };
    QString cmd = citado(destino);
    if (!argumentos.isEmpty()) cmd += QLatin1Char(' ') + citado(argumentos);
    cmd.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    const QString texto = QStringLiteral("[Desktop Entry]\nType=Application\nName=") + nombre +
                          QStringLiteral("\nExec=") + cmd + QStringLiteral("\nPath=") + carpetaTrabajo +
                          QStringLiteral("\nTerminal=false\n");
    f.write(texto.toUtf8());
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return true;
}

void InterfazSinVentanas::procesarEventos() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

void InterfazSinVentanas::terminarPrograma(int codigo) {
    std::_Exit(codigo);
}

std::unique_ptr<Interfaz> instalar(std::unique_ptr<Interfaz> nueva) {
    auto anterior = std::move(ranura());
    ranura() = std::move(nueva);
    return anterior;
}

QList<int> botonesDeEstilo(int estilo) {
    switch (estilo & 7) {
    case vbOKCancel:
        return {vbOK, vbCancel};
    case vbAbortRetryIgnore:
        return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel:
        return {vbYes, vbNo, vbCancel};
    case vbYesNo:
        return {vbYes, vbNo};
    case vbRetryCancel:
        return {vbRetry, vbCancel};
    default:
        return {vbOK};
    }
}

int respuestaPorDefecto(int estilo) {
    const auto botones = botonesDeEstilo(estilo);
    const int indice = (estilo & 0x300) >> 8;
    return botones.value(indice, botones.first());
}

QString tituloPrograma() {
    const QString ruta = QCoreApplication::applicationFilePath();
    if (!ruta.isEmpty()) return QFileInfo(ruta).completeBaseName();
    return QStringLiteral("Quenzar");
}

} // namespace ui
