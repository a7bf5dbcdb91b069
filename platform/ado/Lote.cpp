#include "platform/ado/Lote.h"

namespace ado {

Resultado ejecutarLote(Motor& motor, const std::vector<tsql::Sentencia>& sentencias,
                       const SentenciaDelLote& una) {
    Resultado total;
    bool loteAbrio = false;
    try {
        for (size_t i = 0; i < sentencias.size(); ++i) {
            const tsql::Sentencia& s = sentencias[i];
            switch (s.clase) {
            case tsql::Sentencia::Clase::Nada:
                continue;
            case tsql::Sentencia::Clase::Iniciar:
                if (!motor.enTransaccion()) loteAbrio = true;
                motor.iniciarTransaccion();
                continue;
            case tsql::Sentencia::Clase::Confirmar:
                // COMMIT without a transaction is a no-op: a batch that failed
                // was already rolled back, and nothing must be committed after it.
                motor.confirmarTransaccion();
                continue;
            case tsql::Sentencia::Clase::Deshacer:
                motor.deshacerTransaccion();
                continue;
            case tsql::Sentencia::Clase::Normal:
                break;
            }
            una(s, i, total);
        }
    } catch (const FalloMotor&) {
        if (loteAbrio && motor.enTransaccion()) {
            try {
                motor.deshacerTransaccion();
            } catch (const FalloMotor&) {
                // A link that is gone took the transaction with it; the
                // statement's failure is the one the caller must see.
            }
        }
        throw;
    }
    return total;
}

std::optional<QStringList> valoresComoLiterales(Motor& motor, const QString& sentencia, int maximo) {
    try {
        // Read as it comes, up to one past the most: no order for the engine to add and follow.
        const Resultado r = motor.ejecutar(
            QStringLiteral("SELECT TOP %1 * FROM (%2) AS kv_valores").arg(maximo + 1).arg(sentencia), 0);
        QStringList valores;
        Fila f;
        while (r.cursor && r.cursor->siguiente(f)) {
            const QVariant v = f.value(0);
            if (v.isNull()) continue;
            if (valores.size() >= maximo) return std::nullopt;
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::ULongLong:
                valores << v.toString();
                break;
            case QMetaType::QString:
                valores << QStringLiteral("N'") +
                               v.toString().replace(QLatin1Char('\''), QLatin1String("''")) +
                               QLatin1Char('\'');
                break;
            default:
                // Dates and decimals have no literal here that every engine reads alike.
                return std::nullopt;
            }
        }
        return valores;
    } catch (const FalloMotor&) {
        return std::nullopt;
    }
}

} // namespace ado
