# Read by cpack after the build's own package settings
# (CPACK_PROJECT_CONFIG_FILE). The Windows workflow packs twice: first the
# game archive as configured, then, with TILEGAME_ENGINE_ARCHIVE set by the
# windows-engine package preset, the engine component alone for programmers
# who build on the engine with MinGW-w64: plax-<version>-windows.zip, one
# folder with include/ and lib/ (libplax.a, the CMake package, the pkg-config
# file).
if(TILEGAME_ENGINE_ARCHIVE)
  set(CPACK_COMPONENTS_ALL engine)
  set(CPACK_PACKAGE_FILE_NAME plax-${CPACK_PACKAGE_VERSION}-windows)
endif()
