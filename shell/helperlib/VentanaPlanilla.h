#pragma once

#include "platform/ado/Motor.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <memory>
#include <vector>

class QLabel;
class QTableView;

namespace ado {
class Connection;
}

namespace orvexa {

class ModeloPlanilla : public QAbstractTableModel {
    Q_OBJECT
public:
    ModeloPlanilla(std::unique_ptr<ado::CursorMotor> cursor, QObject* padre = nullptr);
    ~ModeloPlanilla() override;
    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& i, int rol) const override;
    QVariant headerData(int seccion, Qt::Orientation o, int rol) const override;
    bool canFetchMore(const QModelIndex& padre) const override;
    void fetchMore(const QModelIndex& padre) override;
    bool agotado() const { return mAgotado; }

signals:
    void filasLeidas(int filas, bool todas);

private:
    void leerMas(int cuantas);
    std::unique_ptr<ado::CursorMotor> mCursor;
    QVector<ado::DescCampo> mCampos;
    std::vector<ado::Fila> mFilas;
    bool mAgotado = false;
};

class VentanaPlanilla : public QDialog {
    Q_OBJECT
public:
    VentanaPlanilla(const QString& tabla, const QString& cadenaConexion, const QString& titulo,
                    QWidget* padre = nullptr);
    ~VentanaPlanilla() override;
    QTableView* vista() const { return mVista; }
    ModeloPlanilla* modelo() const { return mModelo; }

private:
    std::unique_ptr<ado::Connection> mConexion;
    ModeloPlanilla* mModelo = nullptr;
    QTableView* mVista = nullptr;
    QLabel* mEstado = nullptr;
};

} // namespace orvexa
