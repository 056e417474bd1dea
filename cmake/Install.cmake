# The installed layout: programs in bin/, bundled data in share/quorvin/ (the programs find it
# there, see Folders.cpp), the desktop entry with its log file type, the program icon and the
# manual pages.
include(GNUInstallDirs)

foreach(program quorvin quorvin-run ecm-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(QUORVIN_SHARE ${CMAKE_INSTALL_DATADIR}/quorvin)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/vehicles ${CMAKE_SOURCE_DIR}/data/doc
        DESTINATION ${QUORVIN_SHARE})
install(FILES ${CMAKE_SOURCE_DIR}/data/Scales.xml DESTINATION ${QUORVIN_SHARE})
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvin)
if(TARGET quorvin)
  install(FILES ${CMAKE_SOURCE_DIR}/data/quorvin.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # The log file type the desktop entry declares: *.alg files open with the program.
  install(FILES ${CMAKE_SOURCE_DIR}/data/quorvin-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME quorvin.xml)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

# Manual pages written from each program's --help and --version, so they never drift.
find_program(HELP2MAN help2man)
set(man_descriptions
    "quorvin=data logger and scan tool for ALDL engine control modules"
    "quorvin-run=run a macro of a vehicle definition without the window"
    "ecm-sim=simulated ALDL engine control module on a pseudo-terminal")
set(man_pages)
foreach(entry ${man_descriptions})
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 program)
  list(GET parts 1 description)
  if(NOT TARGET ${program})
    continue()
  endif()
  if(NOT HELP2MAN)
    message(WARNING "help2man not found: no manual page for ${program}")
    continue()
  endif()
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${HELP2MAN} --no-info --section=1 --name=${description} --output=${page}
            $<TARGET_FILE:${program}>
    COMMAND gzip -9 -n -f ${page}
    DEPENDS ${program}
    COMMENT "Manual page of ${program}"
    VERBATIM)
  list(APPEND man_pages ${page}.gz)
endforeach()
if(man_pages)
  add_custom_target(manpages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
