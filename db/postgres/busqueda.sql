-- The list's fast readings on PostgreSQL. The generator runs this after the
-- schema and the data; on a database made before, run it once with psql.
-- Everything here is kept in step by the server, whoever writes the tables.

CREATE EXTENSION IF NOT EXISTS pg_trgm;

-- Each cheque book's own texts, as the list searches them, in one text
-- (a separator no search holds between them), indexed three letters at a
-- time: the search itself still decides, this narrows the rows it looks at.
CREATE OR REPLACE FUNCTION kv_texto_busqueda(integer, integer, text, text, numeric, numeric, text, text)
    RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE
    AS $$ SELECT concat_ws(chr(31), $1::text, $2::text, $3, $4, $5::text, $6::text, $7, $8) $$;

-- The texts are taken under the database's own collation, which ILIKE and
-- the index need (the columns' es_ci_as is no deterministic one).
CREATE INDEX IF NOT EXISTS "IX_TA_QUENZAR_TEXTO" ON "TA_QUENZAR" USING gin (
    kv_texto_busqueda("ID", "Talonario", "IDBANCO" COLLATE "default", "SERIE" COLLATE "default", "NUMERO_DESDE",
                      "NUMERO_HASTA", "CuentaBanco" COLLATE "default", "CuentaBancoDiferido" COLLATE "default")
    gin_trgm_ops);

CREATE OR REPLACE VIEW "TA_QUENZAR_TEXTO" AS
    SELECT "ID",
           kv_texto_busqueda("ID", "Talonario", "IDBANCO" COLLATE "default", "SERIE" COLLATE "default",
                             "NUMERO_DESDE", "NUMERO_HASTA", "CuentaBanco" COLLATE "default",
                             "CuentaBancoDiferido" COLLATE "default") AS "TEXTO"
    FROM "TA_QUENZAR";

-- A page sorted by the bank's name, then by series, reads each bank's rows in that order.
CREATE INDEX IF NOT EXISTS "IX_TA_QUENZAR_BANCO_SERIE" ON "TA_QUENZAR" ("IDBANCO", "SERIE", "ID");

-- How many cheque books each bank holds, kept by the server at each
-- statement that writes them (a page sorted by the bank's name finds its
-- bank without counting a million rows).
CREATE TABLE IF NOT EXISTS "TA_QUENZAR_POR_BANCO" (
    "IDBANCO" varchar(3) COLLATE es_ci_as NOT NULL PRIMARY KEY,
    "FILAS" bigint NOT NULL
);

-- The counts are the owner's: whoever writes the cheque books moves them, nobody else.
CREATE OR REPLACE FUNCTION kv_contar_por_banco() RETURNS trigger LANGUAGE plpgsql
    SECURITY DEFINER SET search_path = public AS $$
BEGIN
    IF TG_OP IN ('DELETE', 'UPDATE') THEN
        UPDATE "TA_QUENZAR_POR_BANCO" c SET "FILAS" = c."FILAS" - v.n
        FROM (SELECT "IDBANCO", COUNT(*) AS n FROM viejas GROUP BY "IDBANCO") v WHERE c."IDBANCO" = v."IDBANCO";
    END IF;
    IF TG_OP IN ('INSERT', 'UPDATE') THEN
        INSERT INTO "TA_QUENZAR_POR_BANCO" ("IDBANCO", "FILAS")
        SELECT "IDBANCO", COUNT(*) FROM nuevas GROUP BY "IDBANCO"
        ON CONFLICT ("IDBANCO") DO UPDATE SET "FILAS" = "TA_QUENZAR_POR_BANCO"."FILAS" + EXCLUDED."FILAS";
    END IF;
    RETURN NULL;
END $$;

CREATE OR REPLACE TRIGGER "TA_QUENZAR_POR_BANCO_INS" AFTER INSERT ON "TA_QUENZAR"
    REFERENCING NEW TABLE AS nuevas FOR EACH STATEMENT EXECUTE FUNCTION kv_contar_por_banco();
CREATE OR REPLACE TRIGGER "TA_QUENZAR_POR_BANCO_UPD" AFTER UPDATE ON "TA_QUENZAR"
    REFERENCING OLD TABLE AS viejas NEW TABLE AS nuevas FOR EACH STATEMENT EXECUTE FUNCTION kv_contar_por_banco();
CREATE OR REPLACE TRIGGER "TA_QUENZAR_POR_BANCO_DEL" AFTER DELETE ON "TA_QUENZAR"
    REFERENCING OLD TABLE AS viejas FOR EACH STATEMENT EXECUTE FUNCTION kv_contar_por_banco();
-- TRUNCATE fires no row triggers: the counts go with the rows.
CREATE OR REPLACE FUNCTION kv_vaciar_por_banco() RETURNS trigger LANGUAGE plpgsql
    SECURITY DEFINER SET search_path = public AS $$
BEGIN
    DELETE FROM "TA_QUENZAR_POR_BANCO";
    RETURN NULL;
END $$;
CREATE OR REPLACE TRIGGER "TA_QUENZAR_POR_BANCO_TRUNCATE" AFTER TRUNCATE ON "TA_QUENZAR"
    FOR EACH STATEMENT EXECUTE FUNCTION kv_vaciar_por_banco();

-- Counted once, here, for the rows already stored (a second run recounts).
BEGIN;
LOCK TABLE "TA_QUENZAR" IN SHARE MODE;
DELETE FROM "TA_QUENZAR_POR_BANCO";
INSERT INTO "TA_QUENZAR_POR_BANCO" ("IDBANCO", "FILAS") SELECT "IDBANCO", COUNT(*) FROM "TA_QUENZAR" GROUP BY "IDBANCO";
COMMIT;

-- Where the engine may read a column of a view faster (see the embedded
-- engine's busqueda.sql). INDICE here names a view of the source's key and
-- its texts ("ID", "TEXTO"); CONTEOS, the table of rows per value of ENLACE.
CREATE TABLE IF NOT EXISTS "KV_ACCESOS" (
    "FUENTE" varchar(60) COLLATE es_ci_as NOT NULL,
    "COLUMNA" varchar(60) COLLATE es_ci_as NOT NULL,
    "INDICE" varchar(60) NULL,
    "TABLA" varchar(60) NULL,
    "ENLACE" varchar(60) NULL,
    "CONTEOS" varchar(60) NULL,
    PRIMARY KEY ("FUENTE", "COLUMNA")
);

INSERT INTO "KV_ACCESOS" ("FUENTE", "COLUMNA", "INDICE", "TABLA", "ENLACE", "CONTEOS") VALUES
    ('VT_Chequeras', 'ID', 'TA_QUENZAR_TEXTO', NULL, NULL, NULL),
    ('VT_Chequeras', 'Talonario', 'TA_QUENZAR_TEXTO', NULL, NULL, NULL),
    ('VT_Chequeras', 'IDBANCO', 'TA_QUENZAR_TEXTO', NULL, NULL, NULL),
    ('VT_Chequeras', 'SERIE', 'TA_QUENZAR_TEXTO', NULL, NULL, NULL),
    ('VT_Chequeras', 'NUMERO_DESDE', 'TA_QUENZAR_TEXTO', NULL, NULL, NULL),
    ('VT_Chequeras', 'NUMERO_HASTA', 'TA_QUENZAR_TEXTO', NULL, NULL, NULL),
    ('VT_Chequeras', 'CuentaBanco', 'TA_QUENZAR_TEXTO', NULL, NULL, NULL),
    ('VT_Chequeras', 'CuentaBancoDiferido', 'TA_QUENZAR_TEXTO', NULL, NULL, NULL),
    ('VT_Chequeras', 'DESCRIPCION', NULL, 'TA_BANCOS', 'IDBANCO', 'TA_QUENZAR_POR_BANCO')
    ON CONFLICT DO NOTHING;

GRANT SELECT ON "TA_QUENZAR_TEXTO", "KV_ACCESOS", "TA_QUENZAR_POR_BANCO" TO PUBLIC;
