# The Debian package: cpack -G DEB in the build folder (or ./package).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvin)
set(CPACK_PACKAGE_VENDOR "Quorvin")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data logger and scan tool for ALDL engine control modules")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorvin V4 developers <quorvin@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Debian wants the long description in lines of under 80 columns; CPack indents them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Quorvin V4 talks to the engine control module of older cars over the ALDL\n"
       "serial diagnostic link, through a USB-serial adapter. It shows live values,\n"
       "gauges, charts, trouble codes and flags, logs and replays frames, exports CSV\n"
       "and edits vehicle definitions.\n"
       "\n"
       "The package also has quorvin-run, which runs a macro without the window, and\n"
       "ecm-sim, a simulated engine module for trying the program without a car.")
# The libraries come from the programs themselves; Qt's platform plugins are loaded at run time,
# so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET quorvin)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
include(CPack)
