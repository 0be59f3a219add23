# Installing the client as a desktop application, and its Debian package. Only the client is
# installed: the sandbox, the tests, the benchmarks and the tools stay in the build folder.
include(GNUInstallDirs)
# Folders as Debian expects them whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Where docs/screenshots/ is published: software centres fetch the pictures the metainfo names
# from the web, so this must be an https folder URL, not a path.
set(VELTO_SCREENSHOTS_URL "${VELTO_ORIGIN}/desktop/screenshots" CACHE STRING
    "https URL of the published docs/screenshots/ folder, named by the AppStream metainfo")

set(velto_packaging "${CMAKE_SOURCE_DIR}/packaging")
set(velto_packaged "${CMAKE_BINARY_DIR}/packaging")

# Installed beside the system's Qt, the client has no library of its own to find: no run path.
set_target_properties(velto PROPERTIES INSTALL_RPATH "")
install(TARGETS velto RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
# The camera and microphone module, loaded from the client's own library folder. Nothing else
# links it, so it stays out of the linker's path and the package needs no ldconfig.
set_target_properties(velto_media PROPERTIES INSTALL_RPATH "")
install(TARGETS velto_media LIBRARY DESTINATION "${VELTO_MEDIA_LIBDIR}")

configure_file("${velto_packaging}/velto.desktop.in"
               "${velto_packaged}/${VELTO_APP_ID}.desktop" @ONLY)
configure_file("${velto_packaging}/velto.metainfo.xml.in"
               "${velto_packaged}/${VELTO_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${velto_packaged}/${VELTO_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${velto_packaged}/${VELTO_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# The icon is drawn once, as SVG; the sizes the hicolor theme expects as PNG are rendered from it
# so that they can never drift from the drawing.
set(VELTO_ICON_SIZES 16 24 32 48 64 128 256 512)
find_program(VELTO_RSVG_CONVERT rsvg-convert REQUIRED)
install(FILES "${velto_packaging}/icon.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        RENAME "${VELTO_APP_ID}.svg")
set(velto_icons "")
foreach(size ${VELTO_ICON_SIZES})
    set(png "${velto_packaged}/icons/${size}x${size}/${VELTO_APP_ID}.png")
    add_custom_command(OUTPUT "${png}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${velto_packaged}/icons/${size}x${size}"
        COMMAND "${VELTO_RSVG_CONVERT}" -w ${size} -h ${size} -o "${png}"
                "${velto_packaging}/icon.svg"
        DEPENDS "${velto_packaging}/icon.svg" VERBATIM)
    list(APPEND velto_icons "${png}")
    install(FILES "${png}"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
endforeach()
add_custom_target(velto_icons ALL DEPENDS ${velto_icons})

# A client that trusts the development CA of scripts/dev-certs (whose private key lies in a build
# folder) must never pass for the real one: it is recognised by the subject that script gives it,
# and a CA file that cannot be read counts as one.
set(velto_dev_ca OFF)
if(VELTO_EXTRA_CA)
    execute_process(COMMAND openssl x509 -noout -subject -in "${VELTO_EXTRA_CA}"
                    OUTPUT_VARIABLE extra_ca_subject RESULT_VARIABLE extra_ca_result)
    if(NOT extra_ca_result EQUAL 0 OR extra_ca_subject MATCHES "Velto development CA")
        set(velto_dev_ca ON)
    endif()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VENDOR "Velto")
set(CPACK_PACKAGE_CONTACT "Velto desktop team <desktop@velto.com>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VELTO_ORIGIN}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debian's description: a summary, then lines of at most 80 columns (CPack indents them). No
# semicolons: CMake would read them as list separators.
set(velto_about
    "Clients post projects and contests and order fixed-price gigs, freelancers send\n"
    "proposals, sell gigs, deliver work and earn skill badges in proctored exams.\n"
    "Service: ${VELTO_ORIGIN}")
if(velto_dev_ca)
    set(CPACK_PACKAGE_NAME velto-dev-ca)
    set(CPACK_DEBIAN_PACKAGE_CONFLICTS velto)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
        "Velto desktop client, DEVELOPMENT BUILD with a development CA")
    set(velto_about
        "WARNING: this build trusts a development CA whose private key is no secret.\n"
        "It is for testing against a local sandbox only: never install or ship it\n"
        "anywhere else.\n\n" ${velto_about})
else()
    set(CPACK_PACKAGE_NAME velto)
    set(CPACK_DEBIAN_PACKAGE_CONFLICTS velto-dev-ca)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client of the Velto talent marketplace")
endif()
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${velto_about})

# What Debian asks of every package: the copyright in its machine-readable form, the changelog
# and a manual page, compressed without a time stamp so that a rebuild gives the same bytes.
set(velto_doc "${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME}")
install(FILES "${velto_packaging}/copyright" DESTINATION "${velto_doc}")
install(FILES "${velto_packaging}/lintian-overrides" DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides"
        RENAME "${CPACK_PACKAGE_NAME}")
configure_file("${velto_packaging}/changelog.in" "${velto_packaged}/changelog.Debian" @ONLY)
find_program(VELTO_GZIP gzip REQUIRED)
foreach(page changelog.Debian velto.1)
    if(page STREQUAL "velto.1")
        set(from "${velto_packaging}/velto.1")
    else()
        set(from "${velto_packaged}/${page}")
    endif()
    add_custom_command(OUTPUT "${velto_packaged}/gz/${page}.gz"
        COMMAND "${CMAKE_COMMAND}" -E copy "${from}" "${velto_packaged}/gz/${page}"
        COMMAND "${VELTO_GZIP}" -9nf "${velto_packaged}/gz/${page}"
        DEPENDS "${from}" VERBATIM)
    list(APPEND velto_docs "${velto_packaged}/gz/${page}.gz")
endforeach()
add_custom_target(velto_docs ALL DEPENDS ${velto_docs})
install(FILES "${velto_packaged}/gz/changelog.Debian.gz" DESTINATION "${velto_doc}")
install(FILES "${velto_packaged}/gz/velto.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

# The libraries come from dpkg-shlibdeps. The ahead-of-time compiled documents are bound to the
# exact Qt Qml release they were compiled for, which Debian states as qt6-declarative-abi. What
# the client loads at run time no scan of its binary finds: the QML modules its documents import
# (with the Fusion style), and the GStreamer elements the multimedia back end takes the webcam
# through (the v4l2 devices and source from "good", the JPEG muxer of a snapshot from "bad"). The
# platform, image-format and TLS plug-ins ship inside the Qt libraries' own packages on Debian 12,
# which shlibdeps already names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(VELTO_RUNTIME_PACKAGES
    qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-templates
    qml6-module-qtquick-layouts qml6-module-qtquick-window qml6-module-qtqml-workerscript
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad)
string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS
       "qt6-declarative-abi (= ${Qt6Qml_VERSION})" ${VELTO_RUNTIME_PACKAGES})
# The exam view's medals are colour emoji; a Wayland session runs the client natively with the
# Wayland plug-in (without it, through XWayland).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji, hicolor-icon-theme, qt6-wayland")
include(CPack)
