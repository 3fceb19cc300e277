# What `cmake --install` puts on a desktop: the program, its icon in every
# theme size, the menu entry, the file types it opens and its AppStream
# description. CPack turns the same into a .deb whose dependencies are
# computed from the libraries the program links.
include(GNUInstallDirs)

set(VR_APP_ID "org.vrsoundeditor.SoundEditor")
set(VR_APP_NAME "VORANTE wren & heron SoundEditor")
set(VR_PACKAGE_NAME vr-soundeditor)
# The AppStream description shows docs/library.png and docs/editor.png from
# here: publish them there with the package.
set(VR_HOMEPAGE_URL "https://vrsoundeditor.example.org" CACHE STRING "The program's web page")

set(_vr_desktop "${CMAKE_CURRENT_BINARY_DIR}/${VR_APP_ID}.desktop")
set(_vr_metainfo "${CMAKE_CURRENT_BINARY_DIR}/${VR_APP_ID}.metainfo.xml")
configure_file(resources/desktop/vr-soundeditor.desktop.in "${_vr_desktop}" @ONLY)
configure_file(resources/desktop/vr-soundeditor.metainfo.xml.in "${_vr_metainfo}" @ONLY)

install(TARGETS VRSoundEditor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Debian looks for it under the package's name, not the project's.
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VR_PACKAGE_NAME} RENAME copyright)
install(FILES "${_vr_desktop}" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${_vr_metainfo}" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES resources/desktop/vr-soundeditor-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${VR_APP_ID}.xml)
foreach(size 16 22 24 32 48 64 128 256 512)
    install(FILES resources/icons/${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${VR_APP_ID}.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VR_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VRSoundEditor developers")
set(CPACK_PACKAGE_CONTACT "VRSoundEditor developers <vrsoundeditor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Sound editor and librarian for the VORANTE wren and heron units")
set(CPACK_PACKAGE_DESCRIPTION
    "Edits the current program of a VORANTE wren or heron guitar multi-effect unit live over MIDI,\n\
receives, reorganises and transmits its 200 user programs, auditions its factory programs and\n\
keeps program libraries (.vrm files) on disk.")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# JUCE opens the X libraries itself at run time, so neither the linker nor
# dpkg-shlibdeps sees them: ask dpkg which packages hold them. Without the
# first two no window opens; the others only add features.
function(vr_debian_packages_of out)
    set(packages "")
    foreach(soname IN LISTS ARGN)
        execute_process(COMMAND dpkg-query -S "*/${soname}"
            OUTPUT_VARIABLE found ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(found MATCHES "^([^:,]+)")
            list(APPEND packages ${CMAKE_MATCH_1})
        else()
            message(WARNING "no Debian package holds ${soname}; the .deb will not depend on it")
        endif()
    endforeach()
    list(JOIN packages ", " joined)
    set(${out} "${joined}" PARENT_SCOPE)
endfunction()
vr_debian_packages_of(CPACK_DEBIAN_PACKAGE_DEPENDS libX11.so.6 libXext.so.6)
vr_debian_packages_of(_vr_x_extras libXcursor.so.1 libXinerama.so.1 libXrandr.so.2 libXrender.so.1)
# The face the views draw their captions in.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "${_vr_x_extras}, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VR_HOMEPAGE_URL}")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
include(CPack)
