#pragma once
// Process-wide session values, created on first use and kept until the
// process ends; reiniciarModGlobal() gives a fresh state (tests).

#include "data/DB_Dll.h"
#include "shell/helperlib/OrVexa2Ventanas.h"

#include <QString>
#include <cstdint>

namespace shell {

// The suite settings that CargaConfiguracion reads. Of these, this program
// itself consults only the confidentiality (kept by the data layer) and
// UTILIZARFECHADIA; the rest are shared with the suite's other modules.
struct Configuracion {
    bool MostrarStockenConsultas = false;
    QString TituloClientes, TituloProveedores;
    bool EXIGECLAVECONSULTALIKEARTICULOS = false, UsaConsultaLike = false;
    QString CantidadDecimales;
    bool UsaMultilesMonedas = false, UsaFacturaProforma = false, USACCOSTO = false,
         USA_STK_STOCK_UDKG = false;
    QString UNegocio = QStringLiteral("   1");
    QString UNIDADDEMEDIDA_M3, UNIDADDEMEDIDA_BL, UNIDADDEMEDIDA_KG;
    int16_t PERIODO = 0;
    bool RazonSocialPorUneg = false, VALIDACODIGOBARRA = false;
    bool ModuloOrdenDeTrabajo = true;
    bool V_ModificaCPrecio = false, C_ModificaCPrecio = false, MADERERA = false;
    QString MAD_TIRAS, MAD_P2, MAD_ML, MAD_M2, MAD_HOJAS, MAD_ML_P2, MAD_M2_P2, MAD_ML_M2, CuentaCtroDist;
    double MaxDto = 0, MaxDtoProforma = 0;
    bool PideClave_StockNeg = false, PideClave_MarkUpBase = false, PideClave_LimiteCredito = false;
    bool SS_BloqueoActivo = false, UTILIZARFECHADIA = false;
    bool AsignacionAutomaticaDeLoteING = false, AsignacionAutomaticaDeLoteINGOP = false;
    int16_t CONDIVAEMPRESA = 1;
    QString Top_Default = QStringLiteral("1000");
    QString ArchivoTareas;
};

struct ModGlobal {
    QString gUsuarioLogeado;
    QString gCaja;
    QString gMenu;
    QString gParametroAdicional;
    QString gSeccionIni;
    double gFlatToolbars = 0;
    int gEstilo = 0;
    int16_t gTimeOut = 0;
    uint32_t gCFondo = 0xFFFFFF;
    uint32_t gCLetra = 0;
    QString gTablaConfiguracion;
    Configuracion cfg;
    QString archivoAyuda;
    // What start-up gives the lookup service.
    QString gConnStringConsultas;
    bool gUsarMascarasConsultas = false;
    QString gRutaMascaraConsultas;

    // The helper library's objects, kept for the process.
    orvexa::Equipo equipo;
    orvexa::ArchivoIni archivoIni;
    orvexa::Carpeta carpeta;
    orvexa::Utilidades utilidades;
    orvexa::Teclado teclado;
    orvexa::Planilla planilla;
};

ModGlobal& G();
datos::DB_Dll& gDBEstadisticas();
void reiniciarModGlobal();

// The program's executable name without folder or extension.
QString nombreEjecutable();
// The application folder with a trailing separator.
QString carpetaDelPrograma();
// The folder of the suite's programs (plataforma::carpetaProgramas) with a trailing separator.
QString carpetaDeLosProgramas();

} // namespace shell
