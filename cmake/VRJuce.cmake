# JUCE's modules are INTERFACE libraries whose sources compile again in every
# target that links them. Compile them once here, and hand their definitions
# and include paths on to everything that links vr_juce.
add_library(vr_juce STATIC)

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
