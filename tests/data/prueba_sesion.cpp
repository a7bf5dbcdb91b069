// The session object's connections (2.1), literals and names (2.2), schema
// inspection (2.4) and error treatment (2.5).

#include "platform/ado/MotorSqlite.h"
#include "shell/helperlib/OrVexa2.h"
#include "tests/soporte/Sesion.h"

#include <QFile>

using datos::DB_Dll;
using datos::gDB;
namespace errores = plataforma::errores;

namespace {

class Conexion : public prueba::Sesion {
protected:
    ~Conexion() override { datos::registrarDialogoConexion({}); }
    // A scripted connection dialog: each call takes the next answer.
    void dialogo(std::vector<datos::DatosDialogoConexion> respuestas) {
        mDialogos = std::move(respuestas);
        datos::registrarDialogoConexion([this](datos::DatosDialogoConexion& d) {
            vistos.push_back(d);
            ASSERT_FALSE(mDialogos.empty()) << "diálogo de conexión inesperado";
            const auto r = mDialogos.front();
            mDialogos.erase(mDialogos.begin());
            d = r;
        });
    }
    std::vector<datos::DatosDialogoConexion> vistos;
    std::vector<datos::DatosDialogoConexion> mDialogos;
};

TEST_F(Conexion, CadenasDeConexionLetraPorLetra) {
    DB_Dll db;
    db.gServidor = QStringLiteral("SRV1\\INST2");
    db.gDBName = QStringLiteral("EMPRESA");
    db.gUsuario = QStringLiteral("ANA");
    EXPECT_EQ(db.cadenaDesdeCampos(),
              QStringLiteral("PROVIDER=SQLOLEDB;Server=SRV1\\INST2;Database =EMPRESA;UId=ANA;Pwd=;"));
    db.gServidor = QStringLiteral("#");
    EXPECT_EQ(db.cadenaDesdeCampos(),
              QStringLiteral("Provider=OraOLEDB.Oracle.1;Data Source=EMPRESA;User Id=ANA;Password=;"));
    db.gServidor = QStringLiteral("#ORCL");
    db.gDBName = QStringLiteral("ORCL");
    db.gExtended = QStringLiteral("X=1;");
    EXPECT_EQ(db.cadenaDesdeCampos(),
              QStringLiteral("Provider=OraOLEDB.Oracle.1;Data Source=ORCL;User Id=ANA;Password=;"));
}

TEST_F(Conexion, AbreEnElMotorEmbebidoYDeterminaElAdministrador) {
    auto& db = gDB();
    EXPECT_TRUE(db.gProveedor.isEmpty());
    abrir();
    EXPECT_EQ(db.gProveedor, QStringLiteral("SQLOLEDB"));
    EXPECT_EQ(db.gConnString,
              QStringLiteral("PROVIDER=SQLOLEDB;Server=SQLITE;Database =QUENZAR;UId=ADMIN;Pwd=admin;"));
    EXPECT_TRUE(db.gEsAdmin);

    DB_Dll cajero;
    cajero.gServidor = QStringLiteral("SQLITE");
    cajero.gDBName = QStringLiteral("QUENZAR");
    cajero.gUsuario = QStringLiteral("CAJERO");
    cajero.gUserPassWord = QStringLiteral("cajero");
    cajero.OpenServerADODB(false, 3, QString(), true, true);
    EXPECT_TRUE(cajero.gOpenFlag);
    EXPECT_FALSE(cajero.gEsAdmin);
    // Without showing errors the users table is not read: administrator.
    DB_Dll silencioso;
    silencioso.gServidor = QStringLiteral("SQLITE");
    silencioso.gDBName = QStringLiteral("QUENZAR");
    silencioso.gUsuario = QStringLiteral("CAJERO");
    silencioso.gUserPassWord = QStringLiteral("cajero");
    silencioso.OpenServerADODB(false, 3, QString(), true, false);
    EXPECT_TRUE(silencioso.gEsAdmin);
}

TEST_F(Conexion, ValoresDelAdministrador) {
    abrir();
    struct {
        const char* valor;
        bool admin;
    } casos[] = {{"1", true}, {"0", false}, {"2", false}};
    for (const auto& c : casos) {
        gDB().gCnn().Execute(
            QStringLiteral("UPDATE ta_usuarios SET Administrador = %1 WHERE Nombre = 'CAJERO'")
                .arg(QLatin1String(c.valor)));
        DB_Dll s;
        s.gServidor = QStringLiteral("SQLITE");
        s.gDBName = QStringLiteral("QUENZAR");
        s.gUsuario = QStringLiteral(" cajero ");
        s.gUserPassWord = QStringLiteral("cajero");
        s.OpenServerADODB(false, 3, QString(), true, true);
        EXPECT_EQ(s.gEsAdmin, c.admin) << c.valor;
    }
    // ValidaAdmin false: administrator without asking.
    DB_Dll s;
    s.gServidor = QStringLiteral("SQLITE");
    s.gDBName = QStringLiteral("QUENZAR");
    s.gUsuario = QStringLiteral("CAJERO");
    s.gUserPassWord = QStringLiteral("cajero");
    s.OpenServerADODB(false, 3, QString(), false, true);
    EXPECT_TRUE(s.gEsAdmin);
}

TEST_F(Conexion, ElDialogoCanceladoNoAbreNada) {
    dialogo({datos::DatosDialogoConexion{}});
    auto& db = gDB();
    db.OpenServerADODB(
        true, 3, QStringLiteral("PROVIDER=SQLOLEDB;Server=SQLITE;Database =QUENZAR;UId=ADMIN;Pwd=admin;"),
        true, true);
    EXPECT_FALSE(db.gOpenFlag);
    EXPECT_EQ(db.gCnn().State(), ado::adStateClosed);
    EXPECT_TRUE(guion->mensajes.empty());
}

TEST_F(Conexion, ElDialogoReemplazaLaCadenaDelLlamador) {
    datos::DatosDialogoConexion d;
    d.base = QStringLiteral("QUENZAR");
    d.servidor = QStringLiteral("SQLITE");
    d.usuario = QStringLiteral("CAJERO");
    d.clave = QStringLiteral("cajero");
    d.aceptar = true;
    dialogo({d});
    auto& db = gDB();
    db.gDBName = QStringLiteral("OTRA");
    db.OpenServerADODB(true, 3, QStringLiteral("PROVIDER=SQLOLEDB;Server=X;Database =Y;UId=Z;Pwd=;"), true,
                       true);
    ASSERT_EQ(vistos.size(), 1u);
    EXPECT_EQ(vistos[0].base, QStringLiteral("OTRA")) << "the dialog is filled with the session's values";
    EXPECT_TRUE(db.gOpenFlag);
    EXPECT_EQ(db.gConnString,
              QStringLiteral("PROVIDER=SQLOLEDB;Server=SQLITE;Database =QUENZAR;UId=CAJERO;Pwd=cajero;"));
    EXPECT_EQ(db.gProveedor, QStringLiteral("SQLOLEDB"));
}

TEST_F(Conexion, ClaveErroneaPreguntaYReintentaConElDialogo) {
    auto& db = gDB();
    db.gServidor = QStringLiteral("SQLITE");
    db.gDBName = QStringLiteral("QUENZAR");
    db.gUsuario = QStringLiteral("ADMIN");
    db.gUserPassWord = QStringLiteral("mala");
    datos::DatosDialogoConexion d;
    d.base = QStringLiteral("QUENZAR");
    d.servidor = QStringLiteral("SQLITE");
    d.usuario = QStringLiteral("ADMIN");
    d.clave = QStringLiteral("admin");
    d.aceptar = true;
    dialogo({d});
    guion->responder(ui::vbYes, QStringLiteral("Codigo Nativo: 18456"));
    db.OpenServerADODB(false, 3, QString(), true, true);
    EXPECT_TRUE(db.gOpenFlag);
    EXPECT_EQ(db.gCnn().State(), ado::adStateOpen);
    ASSERT_EQ(guion->mensajes.size(), 1u);
    const auto& m = guion->mensajes[0];
    EXPECT_EQ(m.titulo, QStringLiteral(" Error de Conexion a Base de Datos"));
    EXPECT_EQ(m.estilo, ui::vbYesNo + ui::vbCritical);
    EXPECT_TRUE(m.texto.startsWith(
        QStringLiteral(" Estado de Sql: 28000\rNumero de Error: -2147467259\rDescripcion: ")));
    EXPECT_TRUE(m.texto.contains(
        QStringLiteral("por ejemplo : SQLITE\\ORVEXA\r\n3. Verifique si el inicio de sesion para el "
                       "usuario ADMIN existe\r\n\r\n\r\n - Desea Intentarlo Nuevamente??? ")));
    EXPECT_FALSE(m.texto.contains(QStringLiteral("mala")));
    ASSERT_EQ(vistos.size(), 1u);
    EXPECT_EQ(vistos[0].clave, QStringLiteral("mala")) << "the dialog shows the current data";
}

TEST_F(Conexion, ClaveErroneaYNoDejaLaSesionCerrada) {
    auto& db = gDB();
    db.gServidor = QStringLiteral("SQLITE");
    db.gDBName = QStringLiteral("QUENZAR");
    db.gUsuario = QStringLiteral("ADMIN");
    db.gUserPassWord = QStringLiteral("mala");
    guion->responder(ui::vbNo, QStringLiteral("Desea Intentarlo"));
    db.OpenServerADODB(false, 3, QString(), true, true);
    EXPECT_FALSE(db.gOpenFlag);
    // With MuestraError false nothing is asked.
    DB_Dll otra;
    otra.gServidor = QStringLiteral("SQLITE");
    otra.gDBName = QStringLiteral("QUENZAR");
    otra.gUsuario = QStringLiteral("ADMIN");
    otra.gUserPassWord = QStringLiteral("mala");
    otra.OpenServerADODB(false, 3, QString(), true, false);
    EXPECT_FALSE(otra.gOpenFlag);
}

TEST_F(Conexion, AbrirDosVecesCierraYReabreUnaVez) {
    prueba::Registro r;
    abrir();
    EXPECT_EQ(r.aperturas, 1);
    gDB().OpenServerADODB(false, 3, QString(), true, false);
    EXPECT_TRUE(gDB().gOpenFlag);
    EXPECT_EQ(gDB().gCnn().State(), ado::adStateOpen);
    EXPECT_EQ(r.aperturas, 2);
}

TEST_F(Conexion, ReintentaConectarSobreUnaConexionCerrada) {
    abrir();
    gDB().gCnn().Close();
    gDB().ReintentaConectar();
    EXPECT_TRUE(gDB().gOpenFlag);
    EXPECT_EQ(gDB().gCnn().State(), ado::adStateOpen);
    EXPECT_EQ(gDB().gCnn().CommandTimeout(), 90);
}

TEST_F(Conexion, BaseLocalEligeArchivoYSeCancela) {
    auto& db = gDB();
    db.gProveedor = QStringLiteral("Microsoft.Jet.OLEDB.4.0");
    guion->responderArchivo(std::nullopt);
    db.OpenLocalADODB();
    EXPECT_EQ(db.gCnn().State(), ado::adStateClosed);
    ASSERT_EQ(guion->mensajes.size(), 1u);
    EXPECT_EQ(guion->mensajes[0].titulo, QStringLiteral("Buscar Base de Datos"));
    EXPECT_EQ(guion->mensajes[0].texto, QStringLiteral("Base de Datos de Microsoft Access |*.MDB"));

    // A missing file asks for another one.
    db.gDBName = QStringLiteral("/no/existe.mdb");
    guion->responderArchivo(base.ruta());
    db.OpenLocalADODB();
    EXPECT_EQ(db.gCnn().State(), ado::adStateOpen);
    EXPECT_EQ(db.gConnString,
              QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source =%1;User Id=;Password=;")
                  .arg(base.ruta()));
}

TEST_F(Conexion, PredicadosDeTipo) {
    DB_Dll db;
    EXPECT_EQ(db.ADOComilla(135), QStringLiteral("'"));
    EXPECT_EQ(db.ADOComilla(3), QString());
    EXPECT_EQ(db.ADOComilla(QStringLiteral("200")), QStringLiteral("'"));
    EXPECT_FALSE(db.ADONumeric(6));
    EXPECT_TRUE(db.ADOCurrency(6));
    EXPECT_FALSE(db.ADOText(11));
    EXPECT_TRUE(db.ADOBoolean(QStringLiteral("11")));
    for (int t : {7, 133, 137, 134, 135, 64})
        EXPECT_TRUE(db.adodate(t)) << t;
    for (int t : {20, 14, 5, 3, 131, 4, 2, 16, 21, 19, 18, 17})
        EXPECT_TRUE(db.ADONumeric(t)) << t;
    for (int t : {8, 201, 203, 200, 202, 130, 129})
        EXPECT_TRUE(db.ADOText(t)) << t;
}

TEST_F(Conexion, LiteralesYNombres) {
    DB_Dll db;
    EXPECT_EQ(db.SQLValue(QStringLiteral("abc")), QStringLiteral("'abc'"));
    EXPECT_EQ(db.SQLValue(QVariant()), QStringLiteral("NULL"));
    EXPECT_EQ(db.SQLValue(QStringLiteral("12,5"), QStringLiteral("@")), QStringLiteral("12.5"));
    EXPECT_EQ(db.SQLValue(QStringLiteral("abc"), QStringLiteral("@")), QStringLiteral("0"));
    EXPECT_EQ(db.SQLValue(QStringLiteral("abc"), QString()), QStringLiteral("abc"));
    // Sound behaviour: the quote is doubled, so the value stays one literal.
    EXPECT_EQ(db.SQLValue(QStringLiteral("O'Brien")), QStringLiteral("'O''Brien'"));

    EXPECT_EQ(db.AddBrackets(QStringLiteral("My Table")), QStringLiteral("[My Table]"));
    EXPECT_EQ(db.AddBrackets(QStringLiteral("[My Table")), QStringLiteral("[My Table"));
    EXPECT_EQ(db.AddBrackets(QStringLiteral("Clientes")), QStringLiteral("Clientes"));
    EXPECT_EQ(db.StripBrackets(QStringLiteral("[My Table]")), QStringLiteral("My Table"));
    EXPECT_EQ(db.StripBrackets(QStringLiteral("[abc")), QStringLiteral("ab"));
    QString n = QStringLiteral("db.dbo.Clientes");
    EXPECT_EQ(db.StripOwner(n), QStringLiteral("dbo.Clientes"));
    EXPECT_EQ(n, QStringLiteral("dbo.Clientes"));
    QString sinPunto = QStringLiteral("Clientes");
    EXPECT_EQ(db.StripOwner(sinPunto), QStringLiteral("Clientes"));
    EXPECT_EQ(db.StripConnect(QStringLiteral("Clientes ->Cnx")), QStringLiteral("Clientes"));
    EXPECT_EQ(db.StripConnect(QStringLiteral("Clientes->Cnx")), QStringLiteral("Cliente"));
    EXPECT_EQ(db.StripFileName(QStringLiteral("C:\\Datos\\Base.mdb")), QStringLiteral("C:\\Datos"));
    EXPECT_EQ(db.StripFileName(QStringLiteral("\\Base.mdb")), QString());
    EXPECT_EQ(db.StripFileName(QStringLiteral("Base.mdb")), QString());
    QString a = QStringLiteral("owner.table");
    EXPECT_EQ(db.stSTF(a, 1), QStringLiteral("table"));
    EXPECT_EQ(db.stSTF(a, 0), QStringLiteral("owner"));
    QString b = QStringLiteral("a.b.c");
    EXPECT_EQ(db.stSTF(b, 1), QStringLiteral("b.c"));
    EXPECT_EQ(b, QStringLiteral("b.c"));
    QString c = QStringLiteral("solo");
    EXPECT_THROW(db.stSTF(c, 0), plataforma::ErrorEjecucion);
}

TEST_F(Conexion, EsquemaYAddField) {
    abrir();
    prueba::Registro r;
    auto& db = gDB();
    EXPECT_TRUE(db.ExisteTablaDB(QStringLiteral(" ta_usuarios ")));
    EXPECT_FALSE(db.ExisteTablaDB(QStringLiteral("NO_EXISTE")));
    EXPECT_TRUE(db.ExisteCampoDB(QStringLiteral("TA_BANCOS"), QStringLiteral(" descripcion ")));
    EXPECT_FALSE(db.ExisteCampoDB(QStringLiteral("TA_BANCOS"), QStringLiteral("SUCURSAL")));

    db.AddField(QStringLiteral("TA_CCOSTO"), QStringLiteral("C"), QStringLiteral("int"), false, 0);
    ASSERT_FALSE(r.sentencias.isEmpty());
    EXPECT_EQ(r.sentencias.last(),
              QStringLiteral(
                  "ALTER TABLE dbo.TA_CCOSTO ADD C int Not Null  CONSTRAINT DF_TA_CCOSTO_C DEFAULT (0)"));
    EXPECT_TRUE(db.ExisteCampoDB(QStringLiteral("TA_CCOSTO"), QStringLiteral("C")));
    db.AddField(QStringLiteral("TA_CCOSTO"), QStringLiteral("D"), QStringLiteral("varchar(5)"), true);
    EXPECT_EQ(r.sentencias.last(), QStringLiteral("ALTER TABLE dbo.TA_CCOSTO ADD D varchar(5) Null "));

    const int antes = static_cast<int>(r.sentencias.size());
    EXPECT_TRUE(db.VerCampoDB(QStringLiteral("NO_EXISTE"), QStringLiteral("X")));
    EXPECT_TRUE(db.VerCampoDB(QStringLiteral("TA_CCOSTO"), QStringLiteral("D")));
    EXPECT_EQ(static_cast<int>(r.sentencias.size()), antes) << "nothing added";
    EXPECT_TRUE(
        db.VerCampoDB(QStringLiteral("TA_CCOSTO"), QStringLiteral("E"), true, QStringLiteral("int"), true));
    EXPECT_TRUE(db.ExisteCampoDB(QStringLiteral("TA_CCOSTO"), QStringLiteral("E")));

    db.gProveedor = QStringLiteral("OraOLEDB.Oracle.1");
    EXPECT_TRUE(db.ExisteCampoDB(QStringLiteral("NO_EXISTE"), QStringLiteral("NADA")));
}

QString leerLog(const QString& ruta) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.readAll());
}

TEST_F(Conexion, TratamientoErroresMuestraYRegistraEnLaCarpetaDelPrograma) {
    auto& db = gDB();
    guion->responder(ui::vbIgnore);
    const auto r = db.TratamientoErrores(
        plataforma::ErrorEjecucion(3709, QStringLiteral(" D "), QStringLiteral("ADODB.Recordset")), 18,
        QStringLiteral("AbrirRecordset"));
    EXPECT_EQ(r, ui::vbIgnore);
    ASSERT_EQ(guion->mensajes.size(), 1u);
    EXPECT_EQ(guion->mensajes[0].texto, QStringLiteral("Ha ocurrido el Siguiente Error (3709) D"));
    EXPECT_EQ(guion->mensajes[0].titulo,
              QStringLiteral("ADODB.Recordset - AbrirRecordset Aviso al operador!!! - 5 "));
    const QString log = leerLog(carpetaApp() + QStringLiteral("KVERR.LOG"));
    const QRegularExpression linea(QStringLiteral(
        R"(^\d\d-\d\d-\d{4} \d\d:\d\d:\d\d Rutina: - AbrirRecordset Mensaje Ha ocurrido el Siguiente Error \(3709\) D Respondi\xF3 : Ignorar\r\n$)"));
    EXPECT_TRUE(linea.match(log).hasMatch()) << log.toStdString();

    // Without a routine; an error number 0 shows and writes nothing.
    guion->responder(ui::vbAbort);
    db.TratamientoErrores(plataforma::ErrorEjecucion(5, QStringLiteral("x"), QStringLiteral("Origen")));
    EXPECT_EQ(guion->mensajes.back().titulo, QStringLiteral("Origen Aviso al operador!!! - 5 "));
    EXPECT_TRUE(
        leerLog(carpetaApp() + QStringLiteral("KVERR.LOG")).contains(QStringLiteral(" Rutina:  Mensaje Ha")));
    EXPECT_EQ(db.TratamientoErrores(plataforma::ErrorEjecucion(0, QStringLiteral("x"))), 0);
    EXPECT_EQ(guion->mensajes.size(), 2u);

    // ArchivoErrores sends the line elsewhere.
    db.setArchivoErrores(carpetaApp() + QStringLiteral("otro.log"));
    guion->responder(ui::vbRetry);
    db.TratamientoErrores(plataforma::ErrorEjecucion(7, QStringLiteral("y")));
    EXPECT_TRUE(leerLog(carpetaApp() + QStringLiteral("otro.log")).contains(QStringLiteral("Reintentar")));
    EXPECT_FALSE(leerLog(carpetaApp() + QStringLiteral("KVERR.LOG")).contains(QStringLiteral("(7)")));
}

} // namespace

namespace {

class BaseLocal : public Conexion {
protected:
    void SetUp() override {
        // A local file with a database password.
        ado::Connection cn;
        cn.Open(base.cadena());
        cn.Execute(QStringLiteral("INSERT INTO KV_LOGINS (USUARIO, CLAVE) VALUES ('*', '%1')")
                       .arg(ado::MotorSqlite::resumenClave(QStringLiteral("secreta"))));
        auto& db = gDB();
        db.gProveedor = QStringLiteral("Microsoft.Jet.OLEDB.4.0");
        db.gDBName = base.ruta();
    }
};

TEST_F(BaseLocal, ClaveDeLaBasePreguntadaHastaTresVeces) {
    auto& db = gDB();
    guion->responderEntrada(QStringLiteral("mala")).responderEntrada(QStringLiteral("secreta"));
    db.OpenLocalADODB();
    EXPECT_EQ(db.gCnn().State(), ado::adStateOpen);
    EXPECT_TRUE(db.gConnString.endsWith(QStringLiteral(" Jet OLEDB:Database Password=secreta;")));
    ASSERT_GE(guion->mensajes.size(), 1u);
    EXPECT_EQ(guion->mensajes[0].texto, QStringLiteral("ingrese el password:"));
    EXPECT_EQ(guion->mensajes[0].titulo, QStringLiteral("Password Access"));
}

TEST_F(BaseLocal, ClaveErroneaTerminaTrasTresIntentos) {
    auto& db = gDB();
    guion->responderEntrada(QStringLiteral("a"))
        .responderEntrada(QStringLiteral("b"))
        .responderEntrada(QStringLiteral("c"));
    guion->responder(ui::vbOK, QStringLiteral("No es una contraseña válida."));
    db.OpenLocalADODB();
    EXPECT_EQ(db.gCnn().State(), ado::adStateClosed);
}

TEST_F(BaseLocal, ElPedidoDeClaveSePuedeCancelar) {
    auto& db = gDB();
    guion->responderEntrada(std::nullopt);
    db.OpenLocalADODB();
    EXPECT_EQ(db.gCnn().State(), ado::adStateClosed);
}

TEST_F(BaseLocal, ConClaveGuardadaSinPreguntar) {
    auto& db = gDB();
    db.gIgnoraPassWord = true;
    db.gUserPassWord = QStringLiteral("secreta");
    db.OpenLocalADODB();
    EXPECT_EQ(db.gCnn().State(), ado::adStateOpen);
    EXPECT_TRUE(db.gConnString.endsWith(QStringLiteral("Jet OLEDB:Database Password=secreta;")));
}

} // namespace
