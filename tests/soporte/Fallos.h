#pragma once
// Faults planted in an embedded database, for the save's tests.

#include <QString>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>

namespace prueba {

// Faults planted in the database: while FALLOS names a step, a trigger refuses
// that step's statement, as a failing server would.
inline void plantarFallos(const QString& ruta) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(ruta.toUtf8().constData(), &db), SQLITE_OK);
    const char* ddl = R"(
        CREATE TABLE FALLOS (PASO TEXT PRIMARY KEY);
        CREATE TRIGGER F_FILA BEFORE INSERT ON TA_QUENZAR
            WHEN EXISTS (SELECT 1 FROM FALLOS WHERE PASO = 'fila')
            BEGIN SELECT RAISE(ABORT, 'fallo inyectado'); END;
        CREATE TRIGGER F_BAJA BEFORE DELETE ON TA_QUENZAR
            WHEN EXISTS (SELECT 1 FROM FALLOS WHERE PASO = 'baja')
            BEGIN SELECT RAISE(ABORT, 'fallo inyectado'); END;
        CREATE TRIGGER F_BANCO BEFORE INSERT ON MA_CUENTAS
            WHEN NEW.MedioDePago = 'DB' AND EXISTS (SELECT 1 FROM FALLOS WHERE PASO = 'banco')
            BEGIN SELECT RAISE(ABORT, 'fallo inyectado'); END;
        CREATE TRIGGER F_DIFERIDO BEFORE INSERT ON MA_CUENTAS
            WHEN NEW.MedioDePago = 'CH' AND EXISTS (SELECT 1 FROM FALLOS WHERE PASO = 'diferido')
            BEGIN SELECT RAISE(ABORT, 'fallo inyectado'); END;
        CREATE TRIGGER F_PRINCIPAL BEFORE UPDATE OF CUENTAPRINCIPAL ON MA_CUENTAS
            WHEN EXISTS (SELECT 1 FROM FALLOS WHERE PASO = 'principal')
            BEGIN SELECT RAISE(ABORT, 'fallo inyectado'); END;
        CREATE TABLE NINGUNO (ID INTEGER PRIMARY KEY);
        CREATE TABLE PENDIENTE (X INTEGER REFERENCES NINGUNO (ID) DEFERRABLE INITIALLY DEFERRED);
        CREATE TRIGGER F_CONFIRMAR AFTER INSERT ON TA_QUENZAR
            WHEN EXISTS (SELECT 1 FROM FALLOS WHERE PASO = 'confirmar')
            BEGIN INSERT INTO PENDIENTE VALUES (1); END;)";
    char* error = nullptr;
    const int rc = sqlite3_exec(db, ddl, nullptr, nullptr, &error);
    const std::string texto = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << texto;
}

} // namespace prueba
