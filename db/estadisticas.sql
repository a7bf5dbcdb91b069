-- The suite's statistics database: its own configuration table (the command
-- time-out lives there) and the login the program opens it with.

CREATE TABLE KV_LOGINS (
    USUARIO varchar(50) NOT NULL PRIMARY KEY,
    CLAVE varchar(200) NOT NULL
);

CREATE TABLE ta_configuracion (
    CLAVE varchar(50) NOT NULL PRIMARY KEY,
    VALOR varchar(255) NULL,
    valoraux varchar(255) NULL,
    Grupo varchar(50) NULL,
    PoliticaNegocio bit NOT NULL DEFAULT 0
);
