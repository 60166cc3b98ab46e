# cmake --install: the client, its data, a desktop entry and an icon where a
# Linux desktop finds them, every path relative to the prefix:
#
#   bin/brelk
#   share/brelk/                          the program's own files: the catalog and its
#                                         containers, the sensor firmware containers
#                                         (F7V4Bin.bin ...), the test tables (Active.tab,
#                                         express.tab), Language/, pic/car/, Setup.ini
#                                         (what the build puts beside brelk in build/bin)
#   share/applications/brelk.desktop
#   share/icons/hicolor/<N>x<N>/apps/brelk.png
#
# An installed brelk looks for its files in share/brelk relative to its own
# folder (src/platform/Paths.cpp, BRELK_INSTALLED_DATA).
install(TARGETS brelk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/ DESTINATION ${CMAKE_INSTALL_DATADIR}/brelk
  # The programs in build/bin are not data.
  REGEX "/brelk(-sim)?$" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/brelk.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${BRELK_DESKTOP_ICONS}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
