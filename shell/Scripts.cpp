// Scripts run as one transaction, the launcher of the suite's programs, the
// default lookup masks and the percentage bar.

#include "data/DB_Dll.h"
#include "platform/Texto1252.h"
#include "platform/ado/Traza.h"
#include "platform/ui/Dialogos.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace shell {

using plataforma::ErrorEjecucion;

void GActualizarDatoScript(const QStringList& Script, bool& HayError, int32_t& NativoError,
                           bool AceptaDuplicado, bool AceptaConflicto, QString& TextoEnviado,
                           QString& TextoError, bool MuestraMensaje) {
    const QString CR = QStringLiteral("\r");
    const QString CRLF = QStringLiteral("\r\n");
    auto& db = datos::gDB();
    QString unidas;
    QString mensaje;
    plataforma::Rutina r(QStringLiteral("GActualizarDatoScript"), informarConMensajeError());
    r.paso([&] {
        HayError = false;
        unidas.clear();
        for (const QString& s : Script)
            if (!s.trimmed().isEmpty()) unidas += CR + s;
        if (unidas.isEmpty()) r.abandonar();
    });
    r.paso([&] { TextoEnviado = QStringLiteral("BEGIN TRANSACTION ") + CR + CR + unidas + CR; });
    r.paso([&] {
        try {
            QString texto = TextoEnviado;
            db.EjecutaConsultaSQL(texto);
        } catch (const plataforma::FinDelPrograma&) {
            throw;
        } catch (...) {
            // The connection's errors carry the failure: the next step reads them and rolls back.
        }
    });
    r.paso([&] {
        auto& errs = db.gCnn().Errors();
        if (errs.Count() > 0) {
            HayError = true;
            NativoError = errs.Item(0).NativeError;
            TextoError.clear();
            const int hasta = errs.Count() == 1 ? 1 : errs.Count() - 1;
            for (int i = 0; i < hasta; ++i)
                TextoError += QString::number(errs.Item(i).NativeError) + QStringLiteral(" : ") +
                              errs.Item(i).Description + CRLF;
            mensaje = TextoError;
            if ((AceptaDuplicado && NativoError == 2627) || (AceptaConflicto && NativoError == 547)) {
                TextoError = errs.Item(0).Description;
                mensaje.clear();
            }
            errs.Clear();
        }
    });
    r.paso([&] {
        if (HayError) {
            QString deshacer = QStringLiteral("ROLLBACK TRANSACTION");
            db.EjecutaConsultaSQL(deshacer);
            QString proceso = nombreEjecutable();
            GrabaErrorAux(TextoEnviado, proceso, NativoError, TextoError);
            if (!mensaje.isEmpty() && MuestraMensaje)
                ui::MsgBox(ado::traza::enmascarar(mensaje), ui::vbCritical,
                           QStringLiteral("Aviso al Operador!"));
        }
    });
    r.paso([&] {
        if (!HayError) {
            QString confirmar = QStringLiteral("COMMIT TRANSACTION");
            db.EjecutaConsultaSQL(confirmar);
        }
    });
}

void MenuExes(QString& Programa, QString& Parametro, qint64& Tarea) {
    auto& db = datos::gDB();
    Tarea = 0;
    QString argumentos;
    QString comando;
    plataforma::Rutina r(QStringLiteral("MenuExes"), informarConMensajeError());
    r.paso([&] {
        if (Parametro.contains(QLatin1Char(' ')))
            Parametro = Parametro.mid(Parametro.indexOf(QLatin1Char(' ')) + 1);
    });
    r.paso([&] {
        argumentos = QStringLiteral(" ; @server=") + db.gServidor + QStringLiteral("; @dbname=") +
                     db.gDBName + QStringLiteral("; @usuario=") + db.gUsuario +
                     QStringLiteral("; @Password=") + db.gUserPassWord +
                     QStringLiteral("; @ParametroAdicional=") + Parametro +
                     QStringLiteral("; orve@ ; @UsuarioLogeado = ") + G().gUsuarioLogeado +
                     QStringLiteral("; @Caja=") + G().gCaja + QStringLiteral(";");
    });
    r.paso([&] {
        if (Programa.contains(QLatin1Char('\\')) || Programa.contains(QLatin1Char('/')))
            comando = Programa.mid(6);
        else
            comando =
                carpetaDeLosProgramas() +
                (Programa.contains(QLatin1String("SHELL"), Qt::CaseInsensitive) ? Programa.mid(6) : Programa);
    });
    r.paso([&] {
        // The suite reads its whole command line as one text: it goes as one argument.
        const QString ejecutable = QString(comando.trimmed()).replace(QLatin1Char('\\'), QLatin1Char('/'));
        Tarea = ui::Actual().iniciarProceso(ejecutable, {argumentos});
    });
    r.paso([&] {
        if (Tarea == 0)
            ui::MsgBox(QStringLiteral("Opcion no Implementada!") + QStringLiteral("\r") +
                           QStringLiteral("Comuniquese con su proveedor de sistemas"),
                       ui::vbCritical, QStringLiteral("Atención"));
    });
}

void CreaConsultasDefecto(const QString& ruta) {
    static const char* registros[][3] = {
        {"ARTICULOS", "V_MA_ARTICULOS", "|DESCRIPCION|IDARTICULO|"},
        {"CLIENTES", "VT_CLIENTES", "|RAZON_SOCIAL|CODIGO|CONTACTO|"},
        {"PROVEEDORES", "VT_PROVEEDORES", "|RAZON_SOCIAL|CODIGO|"},
        {"CONTACTOS", "MA_CONTACTOS", "|Nombre_y_Apellido|Domicilio|Localidad|Telefono|"},
        {"VENDEDORES", "V_TA_VENDEDORES", "|NOMBRE|IDVENDEDOR|"},
        {"TECNICOS", "V_TA_TECNICOS", "|NOMBRE|IDTECNICO|"},
        {"MANTENIMIENTOS", "V_MA_MANTENIMIENTOS", "|DESCRIPCION|CODIGO|"},
        {"CUENTAS", "MA_CUENTAS", "|DESCRIPCION|CODIGO|"},
        {"TAREAS", "V_TA_Tareas  ", "|Descripcion|IdTarea| "},
        {"UnidadNegocio", "V_TA_UnidadNegocio", "|Descripcion|Codigo|"},
        {"DEPOSITO", "V_TA_DEPOSITO", "|Descripcion|IdDeposito|"},
    };
    auto campo = [](const QString& t, int largo) {
        return plataforma::a1252(t.leftJustified(largo, QLatin1Char(' '), true));
    };
    QFile f(ruta);
    if (!f.open(QIODevice::ReadWrite))
        throw ErrorEjecucion(75, QStringLiteral("Error de acceso a la ruta o el archivo: %1").arg(ruta),
                             QStringLiteral("Quenzar"));
    // Record access: the next record starts at (length / 1202) * 1202.
    qint64 posicion = (f.size() / 1202) * 1202;
    for (const auto& r : registros) {
        QByteArray registro = campo(QString::fromLatin1(r[0]).trimmed(), 100) +
                              campo(QString::fromLatin1(r[1]), 100) +
                              campo(QString::fromLatin1(r[2]).trimmed(), 500) + QByteArray(500, ' ') + "\r\n";
        if (!f.seek(posicion) || f.write(registro) != registro.size())
            throw ErrorEjecucion(75, QStringLiteral("Error de acceso a la ruta o el archivo: %1").arg(ruta),
                                 QStringLiteral("Quenzar"));
        posicion += registro.size();
    }
}

void DibujaProgreso(QLabel* dibujo, double valor, const QColor& color, const QString& titulo) {
    if (!dibujo) return;
    const QSize tam = dibujo->size().isEmpty() ? QSize(200, 20) : dibujo->size();
    QPixmap imagen(tam);
    imagen.fill(Qt::white);
    QPainter p(&imagen);
    // VB's "###": the whole number without leading zeros, nothing for 0.
    const long entero = std::lround(valor);
    const QString texto =
        titulo + QLatin1Char(' ') + (entero == 0 ? QString() : QString::number(entero)) + QLatin1Char('%');
    const QFontMetrics fm(dibujo->font());
    p.setFont(dibujo->font());
    p.setPen(Qt::black);
    const double escala = tam.width() / 100.0;
    const int x = static_cast<int>(50 * escala - fm.horizontalAdvance(texto) / 2.0);
    const int y = (tam.height() - fm.height()) / 2 + fm.ascent();
    p.drawText(x, y, texto);
    // The inverted exclusive-or pen: the bar has its own colour over the white
    // and inverts the text under it, so the text stays readable.
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.fillRect(QRectF(0, 0, qBound(0.0, valor, 100.0) * escala, tam.height()), color);
    p.end();
    dibujo->setPixmap(imagen);
    dibujo->repaint();
}

} // namespace shell
