-- The history of the cheque books: every change a save made, to the cheque
-- book and to the accounts it keeps, written inside the save's own
-- transaction. Rows are only ever added: the engine refuses to change or
-- remove them. The program adds this to a database made before it.

CREATE TABLE IF NOT EXISTS TA_QUENZAR_HISTORIAL (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
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
CREATE INDEX IF NOT EXISTS IX_TA_QUENZAR_HISTORIAL_CHEQUERA ON TA_QUENZAR_HISTORIAL (IDCHEQUERA, ID);

CREATE TRIGGER IF NOT EXISTS TA_QUENZAR_HISTORIAL_UPD BEFORE UPDATE ON TA_QUENZAR_HISTORIAL
BEGIN
    SELECT RAISE(ABORT, 'El historial de chequeras no se puede modificar.');
END;
CREATE TRIGGER IF NOT EXISTS TA_QUENZAR_HISTORIAL_DEL BEFORE DELETE ON TA_QUENZAR_HISTORIAL
BEGIN
    SELECT RAISE(ABORT, 'El historial de chequeras no se puede borrar.');
END;

-- What the history window shows: the day and the time apart, as the suite
-- writes them, and which row changed in words.
CREATE VIEW IF NOT EXISTS VT_HISTORIAL AS
    SELECT ID, IDCHEQUERA, MOMENTO AS DIA, strftime('%H:%M:%S', MOMENTO) AS HORA, USUARIO, Maquina, OPERACION,
           CASE TABLA WHEN 'MA_CUENTAS' THEN 'Cuenta ' ELSE 'Chequera ' END || ifnull(CLAVE, '') AS REGISTRO,
           CAMPO, ANTES, DESPUES
    FROM TA_QUENZAR_HISTORIAL;
