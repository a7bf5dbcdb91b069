#pragma once
// The same data-layer cases on the embedded engine and on PostgreSQL (one row
// per engine), as Qt's own SQL tests run theirs on every driver; the
// PostgreSQL row needs the test run's server and is skipped, saying so,
// without one.

#include "platform/ado/Ado.h"
#include "tests/soporte/Base.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace prueba {

class ConMotor {
protected:
    void abrir(const std::string& motor) {
        if (motor == "postgres") {
            pg.emplace();
            if (!pg->valido()) GTEST_SKIP() << "sin servidor PostgreSQL (QUENZAR_PG)";
        }
        cn.setCursorLocation(ado::adUseClient);
        SIN_ERROR(cn.Open(cadena()));
    }
    QString cadena(const QString& usuario = QStringLiteral("ADMIN"),
                   const QString& clave = QStringLiteral("admin")) const {
        return pg ? pg->cadena(usuario, clave) : base.cadena(usuario, clave);
    }
    qint64 contar(const QString& sql) {
        ado::Recordset rs;
        rs.Open(sql, cn);
        const qint64 n = rs(0).Value().toLongLong();
        rs.Close();
        return n;
    }
    prueba::BaseTemporal base;
    std::optional<prueba::BasePostgres> pg;
    ado::Connection cn;
};

class Motores : public ConMotor, public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override { abrir(GetParam()); }
};

inline std::string nombreDelMotor(const ::testing::TestParamInfo<std::string>& i) {
    return i.param;
}

} // namespace prueba

#define QUENZAR_EN_AMBOS_MOTORES(Suite)                                                                      \
    INSTANTIATE_TEST_SUITE_P(Ambos, Suite, ::testing::Values("embebido", "postgres"),                        \
                             ::prueba::nombreDelMotor)
