#pragma once
// Where the program keeps its files.
//  - application folder: the executable's folder, or QUENZAR_CARPETA_APLICACION
//    (an installed program's folder is read-only);
//  - data folder of the embedded databases: QUENZAR_DATOS, else the
//    application folder's "datos" subfolder.
// Both come back without a trailing separator.

#include <QString>

namespace plataforma {

QString carpetaAplicacion();
QString carpetaDatos();
// A database named in a connection string: a path stays a path; a bare name
// is NAME.db in the data folder (letter case of the file name ignored).
QString rutaBaseDatos(const QString& nombre);

} // namespace plataforma
