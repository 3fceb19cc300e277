# Fails when a lower layer of src includes a header of a higher one. The
# layers, lowest first: data, then midi, then library and editor, then app.
# The engine reaches the program lists through interfaces of its own
# (midi/ProgramRows.h); library and editor may use each other but never the
# shell.
#
#   cmake -DSOURCE_DIR=<src folder> -P LayerCheck.cmake
set(forbidden_data "midi|library|editor|app")
set(forbidden_midi "library|editor|app")
set(forbidden_library "app")
set(forbidden_editor "app")

set(violations "")
foreach(layer data midi library editor)
    file(GLOB files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
    foreach(f IN LISTS files)
        file(STRINGS "${f}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line IN LISTS includes)
            if(line MATCHES "\"(\\.\\./)?(${forbidden_${layer}})/")
                file(RELATIVE_PATH name "${SOURCE_DIR}" "${f}")
                string(APPEND violations "\n  ${name}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "lower layers include higher ones:${violations}")
endif()
