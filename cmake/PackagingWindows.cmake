# What the Windows installer puts on a machine: the one program, under
# Program Files, with a Start-menu entry and an uninstaller; and a zip of the
# same program for those who cannot install (tools/package --windows).
install(TARGETS drill RUNTIME DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME AssignmentDrill)
set(CPACK_PACKAGE_VENDOR "The Assignment Drill developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Drill program for students of a distance course")
set(CPACK_PACKAGE_FILE_NAME AssignmentDrill-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Assignment Drill")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Assignment Drill")
# The Start menu's entry: the program and its name there.
set(CPACK_PACKAGE_EXECUTABLES assignment-drill "Assignment Drill")
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)

set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME "Assignment Drill")
set(CPACK_NSIS_PACKAGE_NAME "Assignment Drill")
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/src/window/assignment-drill.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_BINARY_DIR}/src/window/assignment-drill.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME assignment-drill.exe)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# A 64-bit installer for a 64-bit program: it runs wherever the program does,
# under a 64-bit Wine too.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The uninstaller removes what was installed and nothing else: the
# student's files in C:\tarnholm (or on drive I:) stay where they are.
include(CPack)
