# The Unix tree: the program, its manual in section 6, the readme and licence.
# A packager who wants the program in games/ sets CMAKE_INSTALL_BINDIR=games.
include(GNUInstallDirs)
install(TARGETS iondrill RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/iondrill.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
