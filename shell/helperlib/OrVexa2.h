#pragma once
// The suite's helper library: small services through objects that callers
// create on first use and keep for the process. A failing operation raises
// plataforma::ErrorEjecucion, which the caller's handler treats like any other.

#include "platform/ErrorEjecucion.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <QVector>
#include <optional>

namespace ado {
class Recordset;
}

namespace orvexa {

// Source text of the failures this library raises.
inline constexpr const char* kOrigen = "OrVexa2";

class Equipo {
public:
    QString NombreEquipo() const;
    QString NombreUsuarioWindows() const;
    QString CarpetaTemporal() const;
};

// Windows-style INI files (Windows-1252, sections and keys without letter
// case). A bare file name lies in the INI folder: QUENZAR_CARPETA_INI, else
// the user's configuration folder followed by "quenzar".
class ArchivoIni {
public:
    QString LeerIni(const QString& archivo, const QString& seccion, const QString& clave,
                    const QString& defecto) const;
    void escribirIni(const QString& archivo, const QString& seccion, const QString& clave,
                     const QString& valor) const;
    static QString carpetaIni();
    static QString rutaIni(const QString& archivo);
};

class Carpeta {
public:
    // Makes the folder the process's current folder.
    void FijarCarpeta(const QString& carpeta);
};

class Utilidades {
public:
    QString AgregarBarra(const QString& carpeta) const;
    QString QuitarCaracter(const QString& texto, const QString& caracter) const;
    QString Reemplazar(const QString& texto, const QString& buscado, const QString& reemplazo) const;
    QString CambiarCaracter(const QString& texto, const QString& caracter, const QString& nuevo) const;
    QString Recortar(const QString& texto, int n) const;
    // Fixed-point value with four decimals; 0 when the text is no number.
    double ANumero(const QString& texto) const;
    bool EsNumero(const QString& texto) const;
    QString NoNulo(const QVariant& valor) const;
    int ContarPalabras(const QString& texto) const;
    // Authenticated encryption (libsodium secretbox) with the machine's key,
    // kept in the INI folder as "quenzar.clave" (created on first use).
    QString Encriptar(const QString& texto) const;
    // Raises error 5 when the text was not made by Encriptar or was altered.
    QString Desencriptar(const QString& texto) const;
    // A date picked by the user; empty when cancelled.
    std::optional<QDate> ElegirFecha() const;
    // True shows the busy pointer; false puts the normal pointer back, however
    // many busy pointers were stacked (what a routine does before it reports).
    // Defined with the windows (OrVexa2Ventanas.cpp): only windows call it.
    void punteroOcupado(bool ocupado) const;
    // The library's error box (Abort, Retry, Ignore by default); the answer code.
    int MostrarError(const plataforma::ErrorEjecucion& error, int botones = 18,
                     const QString& rutina = {}) const;
};

class DialogoArchivo {
public:
    QString Titulo;
    QString Filtro;
    QString CarpetaInicial;
    void mostrarAbrir();
    QString nombreArchivo() const { return mNombre; }
    bool Cancelado() const { return mCancelado; }

private:
    QString mNombre;
    bool mCancelado = false;
};

// The text a value shows in a box: numbers without needless decimals,
// dates as dd/mm/yyyy (with the time when it has one).
QString textoDeValor(const QVariant& valor);

} // namespace orvexa
