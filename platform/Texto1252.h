#pragma once
// Windows-1252, the single-byte code page of the files the suite shares
// (INI files, logs, the connection list, the lookup masks).

#include <QByteArray>
#include <QString>

namespace plataforma {

QString desde1252(const QByteArray& bytes);
// Characters with no place in the code page become "?".
QByteArray a1252(const QString& texto);

} // namespace plataforma
