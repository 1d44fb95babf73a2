# What `cmake --install` puts on a machine, and the Debian package CPack makes
# of it (tools/package).
include(GNUInstallDirs)

set(DRILL_APP_ID org.assignmentdrill.AssignmentDrill)
set(DRILL_DATA ${PROJECT_SOURCE_DIR}/data)

install(TARGETS drill RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${DRILL_DATA}/${DRILL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${DRILL_DATA}/icons/assignment-drill.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${DRILL_APP_ID}.svg)
foreach(size 48 256)
  install(FILES ${DRILL_DATA}/icons/assignment-drill-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${DRILL_APP_ID}.png)
endforeach()

configure_file(${DRILL_DATA}/${DRILL_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/data/${DRILL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/data/${DRILL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The man page and the changelog go compressed, as Debian wants them; -n
# keeps the name and time out, so the bytes are the same every build.
configure_file(${DRILL_DATA}/assignment-drill.1.in ${CMAKE_BINARY_DIR}/data/assignment-drill.1 @ONLY)
configure_file(${DRILL_DATA}/changelog.in ${CMAKE_BINARY_DIR}/data/changelog @ONLY)
find_program(GZIP gzip REQUIRED)
foreach(file assignment-drill.1 changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/data/${file}.gz
    COMMAND ${GZIP} -9nc ${CMAKE_BINARY_DIR}/data/${file} > ${CMAKE_BINARY_DIR}/data/${file}.gz
    DEPENDS ${CMAKE_BINARY_DIR}/data/${file} VERBATIM)
endforeach()
add_custom_target(compressed_docs ALL
  DEPENDS ${CMAKE_BINARY_DIR}/data/assignment-drill.1.gz ${CMAKE_BINARY_DIR}/data/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/data/assignment-drill.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/data/changelog.gz ${DRILL_DATA}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/assignment-drill)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME assignment-drill)
set(CPACK_PACKAGE_VENDOR "The Assignment Drill developers")
set(CPACK_PACKAGE_CONTACT "The Assignment Drill developers <developers@assignmentdrill.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "drill program for students of a distance course")
set(CPACK_PACKAGE_DESCRIPTION
  "Assignment Drill takes a student through a course assignment one text at
a time. The student types answers, critiques and notes and records them;
everything recorded is kept as plain text in the student's master, send and
notes files, and the send file of the day is the one to hand in.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binary itself; the window also needs Qt's
# platform plugins and the metric twin of Arial, which no library names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
