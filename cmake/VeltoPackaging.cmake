# Installing the client as a desktop application. Only the client is
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
