-- The history of the cheque books on the suite's SQL Server. The suite owns
-- that schema, so the program does not create this there: run it once, as
-- the database's owner, in the company database:
--     sqlcmd -S SERVIDOR -d EMPRESA -i db/sqlserver/historial.sql
-- Until it is run, saves there store no history.

IF OBJECT_ID('dbo.TA_QUENZAR_HISTORIAL', 'U') IS NULL
BEGIN
    CREATE TABLE dbo.TA_QUENZAR_HISTORIAL (
        ID int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_TA_QUENZAR_HISTORIAL PRIMARY KEY,
        MOMENTO datetime NOT NULL,
        USUARIO varchar(50) NULL,
        Maquina varchar(50) NULL,
        OPERACION varchar(20) NOT NULL,
        IDCHEQUERA int NOT NULL,
        TABLA varchar(30) NOT NULL,
        CLAVE varchar(60) NULL,
        CAMPO varchar(60) NOT NULL,
        ANTES varchar(255) NULL,
        DESPUES varchar(255) NULL
    );
    -- One cheque book's history, newest first.
    CREATE INDEX IX_TA_QUENZAR_HISTORIAL_CHEQUERA ON dbo.TA_QUENZAR_HISTORIAL (IDCHEQUERA, ID);
END
GO

-- Rows are only ever added: a change or a removal is refused and undone.
CREATE OR ALTER TRIGGER dbo.TA_QUENZAR_HISTORIAL_INALTERABLE ON dbo.TA_QUENZAR_HISTORIAL
    INSTEAD OF UPDATE, DELETE
AS
BEGIN
    RAISERROR('El historial de chequeras no se puede modificar ni borrar.', 16, 1);
    ROLLBACK TRANSACTION;
END
GO
DENY UPDATE, DELETE ON dbo.TA_QUENZAR_HISTORIAL TO public;
GO

-- What the history window shows: the date and the time apart, and which row changed in words.
CREATE OR ALTER VIEW dbo.VT_HISTORIAL AS
    SELECT ID, IDCHEQUERA, MOMENTO AS DIA, CONVERT(varchar(8), MOMENTO, 108) AS HORA, USUARIO, Maquina, OPERACION,
           CASE TABLA WHEN 'MA_CUENTAS' THEN 'Cuenta ' ELSE 'Chequera ' END + ISNULL(CLAVE, '') AS REGISTRO,
           CAMPO, ANTES, DESPUES
    FROM dbo.TA_QUENZAR_HISTORIAL;
GO
