#pragma once
// Where the program keeps its files.
//  - application folder: QUENZAR_CARPETA_APLICACION; else, installed (see
//    carpetaCompartida), the user's data folder ~/.local/share/quenzar (an
//    installed program's folder is read-only); else the executable's folder;
//  - data folder of the embedded databases: QUENZAR_DATOS, else the
//    application folder's "datos" subfolder.
// Both come back without a trailing separator.

#include <QString>

namespace plataforma {

QString carpetaAplicacion();
// What an installed program ships beside it for every user (PREFIX/share/quenzar
// next to PREFIX/bin): skins, the default lookup definitions. Empty when not
// installed, as in a build folder.
QString carpetaCompartida();
// Where the suite's other programs (and its helpers) sit: beside this one's
// executable, or in QUENZAR_CARPETA_APLICACION when that is set.
QString carpetaProgramas();
QString carpetaDatos();
// A database named in a connection string: a path stays a path; a bare name
// is NAME.db in the data folder (letter case of the file name ignored).
QString rutaBaseDatos(const QString& nombre);

} // namespace plataforma
