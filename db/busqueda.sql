-- The list's fast readings on the embedded engine. The generator runs this
-- after the schema and the data; on a database made before, run it once with
-- the stock tool:  sqlite3 QUENZAR.db < busqueda.sql
-- Everything here is kept in step by triggers, whoever writes the tables.

-- Each cheque book's own texts, as the list searches them (the text a
-- conversion to NVARCHAR gives), three letters at a time. Only which rows hold
-- every three letters of a search is kept (detail=none): the search itself
-- still decides, so this only narrows the rows it looks at.
CREATE VIRTUAL TABLE IF NOT EXISTS TA_QUENZAR_TEXTO USING fts5(
    ID, TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco, CuentaBancoDiferido,
    content='', detail=none, tokenize='trigram case_sensitive 0');

INSERT INTO TA_QUENZAR_TEXTO (rowid, ID, TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco,
                              CuentaBancoDiferido)
    SELECT ID, ID, TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco, CuentaBancoDiferido
    FROM TA_QUENZAR WHERE NOT EXISTS (SELECT 1 FROM TA_QUENZAR_TEXTO LIMIT 1);

CREATE TRIGGER IF NOT EXISTS TA_QUENZAR_TEXTO_INS AFTER INSERT ON TA_QUENZAR
BEGIN
    INSERT INTO TA_QUENZAR_TEXTO (rowid, ID, TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco,
                                  CuentaBancoDiferido)
    VALUES (NEW.ID, NEW.ID, NEW.TALONARIO, NEW.IDBANCO, NEW.SERIE, NEW.NUMERO_DESDE, NEW.NUMERO_HASTA,
            NEW.CuentaBanco, NEW.CuentaBancoDiferido);
END;

CREATE TRIGGER IF NOT EXISTS TA_QUENZAR_TEXTO_DEL AFTER DELETE ON TA_QUENZAR
BEGIN
    INSERT INTO TA_QUENZAR_TEXTO (TA_QUENZAR_TEXTO, rowid, ID, TALONARIO, IDBANCO, SERIE, NUMERO_DESDE,
                                  NUMERO_HASTA, CuentaBanco, CuentaBancoDiferido)
    VALUES ('delete', OLD.ID, OLD.ID, OLD.TALONARIO, OLD.IDBANCO, OLD.SERIE, OLD.NUMERO_DESDE, OLD.NUMERO_HASTA,
            OLD.CuentaBanco, OLD.CuentaBancoDiferido);
END;

CREATE TRIGGER IF NOT EXISTS TA_QUENZAR_TEXTO_UPD AFTER UPDATE ON TA_QUENZAR
BEGIN
    INSERT INTO TA_QUENZAR_TEXTO (TA_QUENZAR_TEXTO, rowid, ID, TALONARIO, IDBANCO, SERIE, NUMERO_DESDE,
                                  NUMERO_HASTA, CuentaBanco, CuentaBancoDiferido)
    VALUES ('delete', OLD.ID, OLD.ID, OLD.TALONARIO, OLD.IDBANCO, OLD.SERIE, OLD.NUMERO_DESDE, OLD.NUMERO_HASTA,
            OLD.CuentaBanco, OLD.CuentaBancoDiferido);
    INSERT INTO TA_QUENZAR_TEXTO (rowid, ID, TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco,
                                  CuentaBancoDiferido)
    VALUES (NEW.ID, NEW.ID, NEW.TALONARIO, NEW.IDBANCO, NEW.SERIE, NEW.NUMERO_DESDE, NEW.NUMERO_HASTA,
            NEW.CuentaBanco, NEW.CuentaBancoDiferido);
END;

-- A page sorted by the bank's name, then by series, reads each bank's rows in that order.
CREATE INDEX IF NOT EXISTS IX_TA_QUENZAR_BANCO_SERIE ON TA_QUENZAR (IDBANCO, SERIE, ID);

-- Where the engine may read a column of a view faster. A row with INDICE:
-- that trigram index, whose rowid is the view's key, holds the column's text.
-- A row with TABLA and ENLACE: the column's value is TABLA's column of the
-- same name, joined (left) on ENLACE, which is TABLA's key and the view's
-- column of that name; the view's rows then come in TABLA's groups.
CREATE TABLE IF NOT EXISTS KV_ACCESOS (
    FUENTE varchar(60) NOT NULL,
    COLUMNA varchar(60) NOT NULL,
    INDICE varchar(60) NULL,
    TABLA varchar(60) NULL,
    ENLACE varchar(60) NULL,
    PRIMARY KEY (FUENTE, COLUMNA)
);

INSERT OR IGNORE INTO KV_ACCESOS (FUENTE, COLUMNA, INDICE, TABLA, ENLACE) VALUES
    ('VT_Chequeras', 'ID', 'TA_QUENZAR_TEXTO', NULL, NULL),
    ('VT_Chequeras', 'Talonario', 'TA_QUENZAR_TEXTO', NULL, NULL),
    ('VT_Chequeras', 'IDBANCO', 'TA_QUENZAR_TEXTO', NULL, NULL),
    ('VT_Chequeras', 'SERIE', 'TA_QUENZAR_TEXTO', NULL, NULL),
    ('VT_Chequeras', 'NUMERO_DESDE', 'TA_QUENZAR_TEXTO', NULL, NULL),
    ('VT_Chequeras', 'NUMERO_HASTA', 'TA_QUENZAR_TEXTO', NULL, NULL),
    ('VT_Chequeras', 'CuentaBanco', 'TA_QUENZAR_TEXTO', NULL, NULL),
    ('VT_Chequeras', 'CuentaBancoDiferido', 'TA_QUENZAR_TEXTO', NULL, NULL),
    ('VT_Chequeras', 'DESCRIPCION', NULL, 'TA_BANCOS', 'IDBANCO');
