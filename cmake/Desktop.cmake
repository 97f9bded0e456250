# What a desktop installation needs beside the programs: icon, menu entry,
# AppStream metainfo, udev rule, man pages; and the Debian package made of it
# all by CPack (scripts/package.sh).
include(GNUInstallDirs)

set(VREL_APP_ID org.vrel.Vrel)
set(res ${PROJECT_SOURCE_DIR}/res)

# The PNG sizes of the icon, rendered from the hand-drawn SVG at build time.
set(icon_sizes 16 22 24 32 48 64 128 256)
set(icon_dir ${PROJECT_BINARY_DIR}/icons)
set(icon_pngs)
foreach(size ${icon_sizes})
    list(APPEND icon_pngs ${icon_dir}/${size}x${size}/apps/${VREL_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${icon_pngs}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:icon-render> ${res}/icons/${VREL_APP_ID}.svg ${icon_dir} ${VREL_APP_ID}
            ${icon_sizes}
    DEPENDS icon-render ${res}/icons/${VREL_APP_ID}.svg
    COMMENT "Rendering the icon")

# Man pages compressed as Debian wants them.
set(man_pages vrel vrel-cli vrel-meter-sim)
set(man_gz)
foreach(page ${man_pages})
    set(gz ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND gzip -9nc ${res}/man/${page}.1 > ${gz}
        DEPENDS ${res}/man/${page}.1 VERBATIM)
    list(APPEND man_gz ${gz})
endforeach()
add_custom_target(desktop_files ALL DEPENDS ${icon_pngs} ${man_gz})

install(TARGETS vrel vrel-cli vrel-meter-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(DIRECTORY ${icon_dir}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${res}/icons/${VREL_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${res}/desktop/${VREL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${res}/desktop/${VREL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The data files' type, known by their first line, so file managers offer the program.
install(FILES ${res}/mime/${VREL_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# udev reads /usr/lib/udev/rules.d on a merged-/usr Debian.
install(FILES ${res}/udev/60-vrel-meter.rules DESTINATION lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vrel")
set(CPACK_PACKAGE_CONTACT "Vrel developers <vrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Companion of the Kovra sound level meter")
set(CPACK_PACKAGE_DESCRIPTION
    "Vrel shows the live reading of the Kovra handheld sound level meter, records\n\
it in real time with a curve, cursors, a table and acoustic statistics, and\n\
downloads the meter's data logger. vrel-cli does the same for scripts;\n\
vrel-meter-sim plays the meter on a pseudo-terminal. A udev rule gives the\n\
logged-in user the meter's CP210x port and links it as /dev/vrel-meter.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its window-system plugin at run time, so no library names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
# Qt's own dialogs and buttons in Turkish
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# libmosquitto comes through the shared-library dependencies; a broker for the
# surveys to publish to, and its clients to look at them, are the site's choice.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "mosquitto, mosquitto-clients")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${res}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
