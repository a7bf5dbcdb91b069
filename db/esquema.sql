-- Company database of the embedded engine.
-- Written for SQLite with SQL Server's type names: the engine reads the
-- declared types as ADO types and sizes, adds the size and type checks SQL
-- Server would make, and lets text columns compare without letter case
-- (NOCASE, which the stock sqlite3 tool knows; the engine's own connections
-- compare, sort and match under the server's Spanish collation).
-- Key columns are NOT NULL: the grid pages with "NOT IN (SELECT TOP n ID ...)".

CREATE TABLE KV_LOGINS (
    USUARIO varchar(50) NOT NULL PRIMARY KEY,
    CLAVE varchar(200) NOT NULL
);

CREATE TABLE TA_BANCOS (
    IDBANCO varchar(3) NOT NULL PRIMARY KEY,
    DESCRIPCION varchar(50) NOT NULL,
    CUIT varchar(13) NULL,
    ACTIVO bit NOT NULL DEFAULT 1
);

CREATE VIEW V_TA_BANCOS AS
    SELECT IDBANCO, DESCRIPCION, CUIT, ACTIVO FROM TA_BANCOS;

CREATE TABLE TA_QUENZAR (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    TALONARIO int NOT NULL,
    IDBANCO varchar(3) NOT NULL REFERENCES TA_BANCOS (IDBANCO),
    SERIE varchar(3) NOT NULL,
    NUMERO_DESDE numeric(12, 0) NOT NULL DEFAULT 0,
    NUMERO_HASTA numeric(12, 0) NOT NULL DEFAULT 0,
    CuentaBanco varchar(20) NULL,
    CuentaBancoDiferido varchar(20) NULL,
    CONSTRAINT UQ_TA_QUENZAR UNIQUE (IDBANCO, SERIE, TALONARIO)
);
CREATE INDEX IX_TA_QUENZAR_CUENTAS ON TA_QUENZAR (CuentaBanco, ID);
CREATE INDEX IX_TA_QUENZAR_DIFERIDO ON TA_QUENZAR (CuentaBancoDiferido, ID);
-- The list sorts by any of its columns, the key last: one index per column
-- lets a sorted page be read in order instead of sorting every row.
CREATE INDEX IX_TA_QUENZAR_TALONARIO ON TA_QUENZAR (TALONARIO, ID);
CREATE INDEX IX_TA_QUENZAR_BANCO ON TA_QUENZAR (IDBANCO, ID);
CREATE INDEX IX_TA_QUENZAR_SERIE ON TA_QUENZAR (SERIE, ID);
CREATE INDEX IX_TA_QUENZAR_DESDE ON TA_QUENZAR (NUMERO_DESDE, ID);
CREATE INDEX IX_TA_QUENZAR_HASTA ON TA_QUENZAR (NUMERO_HASTA, ID);
-- The rows whose text column holds a letter beyond ASCII (none, as a rule,
-- in codes and account numbers). While there are none, NOCASE orders the
-- column as the Spanish collation does and its index above serves a sorted
-- page; the engine finds out at once through these.
CREATE INDEX IX_TA_QUENZAR_BANCO_NOASCII ON TA_QUENZAR (ID) WHERE IDBANCO GLOB '*[^ -~]*';
CREATE INDEX IX_TA_QUENZAR_SERIE_NOASCII ON TA_QUENZAR (ID) WHERE SERIE GLOB '*[^ -~]*';
CREATE INDEX IX_TA_QUENZAR_CUENTAS_NOASCII ON TA_QUENZAR (ID) WHERE CuentaBanco GLOB '*[^ -~]*';
CREATE INDEX IX_TA_QUENZAR_DIFERIDO_NOASCII ON TA_QUENZAR (ID) WHERE CuentaBancoDiferido GLOB '*[^ -~]*';

-- The editor's view: updatable, as it is on SQL Server.
CREATE VIEW V_TA_QUENZAR AS
    SELECT ID, TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco, CuentaBancoDiferido
    FROM TA_QUENZAR;

CREATE TRIGGER V_TA_QUENZAR_INS INSTEAD OF INSERT ON V_TA_QUENZAR
BEGIN
    INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco, CuentaBancoDiferido)
    VALUES (NEW.TALONARIO, NEW.IDBANCO, NEW.SERIE, ifnull(NEW.NUMERO_DESDE, 0), ifnull(NEW.NUMERO_HASTA, 0),
            NEW.CuentaBanco, NEW.CuentaBancoDiferido);
END;

CREATE TRIGGER V_TA_QUENZAR_UPD INSTEAD OF UPDATE ON V_TA_QUENZAR
BEGIN
    UPDATE TA_QUENZAR SET
        TALONARIO = NEW.TALONARIO, IDBANCO = NEW.IDBANCO, SERIE = NEW.SERIE,
        NUMERO_DESDE = ifnull(NEW.NUMERO_DESDE, 0), NUMERO_HASTA = ifnull(NEW.NUMERO_HASTA, 0),
        CuentaBanco = NEW.CuentaBanco, CuentaBancoDiferido = NEW.CuentaBancoDiferido
    WHERE ID = OLD.ID;
END;

CREATE TRIGGER V_TA_QUENZAR_DEL INSTEAD OF DELETE ON V_TA_QUENZAR
BEGIN
    DELETE FROM TA_QUENZAR WHERE ID = OLD.ID;
END;

-- The list window's view: the bank's name joined, and the key ID the grid pages by.
CREATE VIEW VT_Chequeras AS
    SELECT Q.ID, Q.TALONARIO AS Talonario, Q.IDBANCO, B.DESCRIPCION, Q.SERIE, Q.NUMERO_DESDE, Q.NUMERO_HASTA,
           Q.CuentaBanco, Q.CuentaBancoDiferido
    FROM TA_QUENZAR Q LEFT JOIN TA_BANCOS B ON B.IDBANCO = Q.IDBANCO;

CREATE TABLE MA_CUENTAS (
    CODIGO varchar(20) NOT NULL PRIMARY KEY,
    DV smallint NOT NULL DEFAULT 0,
    TITULO smallint NOT NULL DEFAULT 0,
    DESCRIPCION varchar(60) NULL,
    TipoVista varchar(2) NULL,
    CajayBanco smallint NOT NULL DEFAULT 0,
    MedioDePago varchar(2) NULL,
    CodigoOpcional varchar(20) NULL,
    PideVencimiento smallint NOT NULL DEFAULT 0,
    CUENTAPRINCIPAL varchar(20) NULL,
    Imputable bit NOT NULL DEFAULT 1
);
CREATE INDEX IX_MA_CUENTAS_OPCIONAL ON MA_CUENTAS (CodigoOpcional);

-- Confidential synonym of the chart of accounts, read by users without rights.
CREATE VIEW SS_MA_CUENTAS AS
    SELECT CODIGO, DV, TITULO, DESCRIPCION, TipoVista, CajayBanco, MedioDePago, CodigoOpcional, PideVencimiento,
           CUENTAPRINCIPAL, Imputable
    FROM MA_CUENTAS;

CREATE TABLE TA_CCOSTO (
    CODIGO varchar(20) NOT NULL PRIMARY KEY,
    DESCRIPCION varchar(60) NULL
);

CREATE TABLE ta_configuracion (
    CLAVE varchar(50) NOT NULL PRIMARY KEY,
    VALOR varchar(255) NULL,
    valoraux varchar(255) NULL,
    Grupo varchar(50) NULL,
    PoliticaNegocio bit NOT NULL DEFAULT 0
);

CREATE TABLE ta_usuarios (
    Nombre varchar(50) NOT NULL PRIMARY KEY,
    Administrador smallint NOT NULL DEFAULT 0,
    UNegocio varchar(4) NULL,
    verproforma bit NOT NULL DEFAULT 0
);

CREATE TABLE AUX_ERR (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Proceso varchar(50) NULL,
    fecha varchar(20) NULL,
    Error int NULL,
    Descripcion varchar(250) NULL,
    sql text NULL,
    PC varchar(50) NULL,
    Usuario varchar(50) NULL
);

CREATE TABLE TA_MENU (
    Clave varchar(20) NOT NULL PRIMARY KEY,
    Proceso varchar(100) NULL,
    Nombre varchar(100) NULL
);

CREATE TABLE TA_TAREAS (
    USUARIO varchar(50) NOT NULL,
    TAREA varchar(20) NOT NULL,
    CONSTRAINT PK_TA_TAREAS PRIMARY KEY (USUARIO, TAREA)
);

CREATE TABLE Control_Acceso (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Maquina varchar(50) NULL,
    Usuario varchar(50) NULL,
    Formulario varchar(100) NULL,
    Tarea varchar(100) NULL,
    Ingreso varchar(20) NULL,
    NombreUsuario varchar(50) NULL
);

CREATE TABLE TA_CONFIG_FORM (
    FORMULARIO varchar(100) NOT NULL,
    USUARIO varchar(50) NOT NULL,
    TIPOOBJETO varchar(50) NULL,
    NOMBRE varchar(50) NOT NULL,
    PROPIEDAD varchar(50) NOT NULL,
    DATAFIELD varchar(50) NULL,
    VALOR varchar(4000) NULL,
    CONSTRAINT PK_TA_CONFIG_FORM PRIMARY KEY (FORMULARIO, USUARIO, NOMBRE, PROPIEDAD)
);
