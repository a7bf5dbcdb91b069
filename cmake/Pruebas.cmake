# quenzar_prueba(NOMBRE SOURCES ... LIBS ... [GUI])
# Registers one test executable with CTest. Every test gets the headless Qt
# platform and a data folder of its own; GUI tests share a resource lock so
# that two of them never fight over focus.
function(quenzar_prueba NOMBRE)
    cmake_parse_arguments(P "GUI" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${NOMBRE} ${P_SOURCES})
    target_link_libraries(${NOMBRE} PRIVATE ${P_LIBS} soporte_pruebas GTest::gtest)
    set(carpeta ${CMAKE_BINARY_DIR}/pruebas-datos/${NOMBRE})
    add_test(NAME ${NOMBRE} COMMAND ${NOMBRE})
    set_tests_properties(${NOMBRE} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUENZAR_DATOS=${carpeta};QUENZAR_CARPETA_INI=${carpeta}/ini;QUENZAR_CARPETA_APLICACION=${carpeta}/app;QUENZAR_ESQUEMA=${CMAKE_SOURCE_DIR}/db"
        TIMEOUT 300)
    if(P_GUI)
        set_tests_properties(${NOMBRE} PROPERTIES RESOURCE_LOCK gui)
    else()
        # Opens no window: the sanitizers' build runs it too.
        set_tests_properties(${NOMBRE} PROPERTIES LABELS sin_ventanas)
        set_property(GLOBAL APPEND PROPERTY QUENZAR_GUARDAS ${NOMBRE})
    endif()
endfunction()
