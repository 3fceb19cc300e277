# JUCE's modules are INTERFACE libraries whose sources compile again in every
# target that links them. Compile them once here, and hand their definitions
# and include paths on to everything that links vr_juce.
add_library(vr_juce STATIC)

# JUCE 7.0.5 wakes the message loop about 115 times a second at rest (a
# vblank timer per window, caret blink timers, the global mouse poll); the
# patches in cmake/juce-patches quieten juce_gui_basics. Each build folder
# compiles its own patched copy of that module, made here at configure time
# and made again when a patch or the installed module changes; the installed
# JUCE is never touched. The module's headers are not patched, so everything
# else keeps including the installed ones.
function(vr_use_patched_juce_gui_basics)
    set(module juce_gui_basics)
    get_target_property(modules_dir ${module} INTERFACE_JUCE_MODULE_PATH)
    set(installed "${modules_dir}/${module}")
    set(root "${PROJECT_BINARY_DIR}/juce-patched")
    file(GLOB patches CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/cmake/juce-patches/*.patch")
    list(SORT patches)

    file(STRINGS "${installed}/${module}.h" version_line REGEX "^ *version: ")
    string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+" version "${version_line}")
    if(NOT version STREQUAL "7.0.5")
        message(FATAL_ERROR "cmake/juce-patches are made for JUCE 7.0.5, but ${installed} "
            "is version '${version}': port the patches to it (or install JUCE 7.0.5).")
    endif()

    # The copy is up to date when the patches and every installed file of the
    # module are what they were when it was made.
    file(GLOB_RECURSE sources LIST_DIRECTORIES FALSE "${installed}/*")
    list(SORT sources)
    set(state "")
    foreach(file IN LISTS patches sources)
        file(SHA256 "${file}" hash)
        string(APPEND state "${file} ${hash}\n")
    endforeach()
    string(SHA256 state "${state}")
    set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
        ${patches} ${sources})

    set(stamp "${root}/${module}.stamp")
    set(made "")
    if(EXISTS "${stamp}")
        file(READ "${stamp}" made)
    endif()
    if(NOT made STREQUAL state OR NOT EXISTS "${root}/${module}/${module}.cpp")
        find_program(VR_PATCH_EXECUTABLE patch)
        if(NOT VR_PATCH_EXECUTABLE)
            message(FATAL_ERROR "The program 'patch' is needed to patch JUCE (scripts/setup.sh installs it).")
        endif()
        message(STATUS "Patching a copy of ${module} in ${root}")
        file(REMOVE_RECURSE "${root}")
        file(COPY "${installed}" DESTINATION "${root}/work")
        foreach(patch_file IN LISTS patches)
            execute_process(
                COMMAND "${VR_PATCH_EXECUTABLE}" -p1 --forward --batch --fuzz=0
                        --no-backup-if-mismatch --reject-file=- -i "${patch_file}"
                WORKING_DIRECTORY "${root}/work"
                RESULT_VARIABLE failed
                OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
            if(failed)
                string(REPLACE "\n" "\n  " output "  ${output}")
                message(FATAL_ERROR "${patch_file} does not apply to ${installed}:\n${output}")
            endif()
        endforeach()
        file(RENAME "${root}/work/${module}" "${root}/${module}")
        file(REMOVE_RECURSE "${root}/work")
        # file(COPY) keeps the installed timestamps: make the build see the new copy.
        file(TOUCH "${root}/${module}/${module}.cpp")
        file(WRITE "${stamp}" "${state}")
    endif()

    # Compile the copy in place of the installed module source.
    get_target_property(module_sources ${module} INTERFACE_SOURCES)
    string(REPLACE "${installed}/" "${root}/${module}/" patched_sources "${module_sources}")
    if(patched_sources STREQUAL module_sources)
        message(FATAL_ERROR "${module}'s sources are not under ${installed}: '${module_sources}'")
    endif()
    set_property(TARGET ${module} PROPERTY INTERFACE_SOURCES "${patched_sources}")
endfunction()

# OFF builds with the installed juce_gui_basics as it is, e.g. to compare.
option(VR_PATCH_JUCE "Compile juce_gui_basics with cmake/juce-patches applied" ON)
if(VR_PATCH_JUCE)
    vr_use_patched_juce_gui_basics()
endif()

target_link_libraries(vr_juce
    PRIVATE
        juce::juce_core
        juce::juce_events
        juce::juce_data_structures
        juce::juce_graphics
        juce::juce_gui_basics
        juce::juce_audio_basics
        juce::juce_audio_devices
    PUBLIC
        PkgConfig::VR_IMAGE_LIBS)

target_compile_definitions(vr_juce
    PUBLIC
        JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_USE_CURL=0
        JUCE_WEB_BROWSER=0
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_STRICT_REFCOUNTEDPOINTER=1
        JUCE_DEBUG_XERRORS=0)

set_target_properties(vr_juce PROPERTIES POSITION_INDEPENDENT_CODE ON)

target_compile_definitions(vr_juce INTERFACE
    $<TARGET_PROPERTY:vr_juce,COMPILE_DEFINITIONS>)
target_include_directories(vr_juce SYSTEM INTERFACE
    $<TARGET_PROPERTY:vr_juce,INCLUDE_DIRECTORIES>)

# JUCE's own sources are not held to our warning level.
target_compile_options(vr_juce PRIVATE -w)
