# quenzar_biblioteca(NOMBRE fuentes...)
# A static library of the program. Its headers are named from the
# repository's root ("platform/ado/Ado.h"): a target sees them only by
# linking the library, and the layering test checks it includes no header of
# a library it does not link.
function(quenzar_biblioteca NOMBRE)
    add_library(${NOMBRE} STATIC ${ARGN})
    target_include_directories(${NOMBRE} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
