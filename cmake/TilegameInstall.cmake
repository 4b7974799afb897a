# Installed layout of the game: the programs in libexec/tilegame, their data
# (imgs/, map/) in share/tilegame and, on the PATH, one launcher per program
# (tilegame-server, tilegame-client) that starts it inside the data folder.
set(TILEGAME_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/tilegame)
set(TILEGAME_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tilegame)

# Installs `program` and its launcher tilegame-<program>. The launcher finds
# the other folders relative to itself, so the installed tree may move.
function(tilegame_install_program program)
  install(TARGETS ${program} RUNTIME DESTINATION ${TILEGAME_PROGRAM_DIR} COMPONENT game)
  set(LAUNCHED_PROGRAM ${program})
  file(RELATIVE_PATH LAUNCHER_TO_DATA /${CMAKE_INSTALL_BINDIR} /${TILEGAME_DATA_DIR})
  file(RELATIVE_PATH LAUNCHER_TO_PROGRAM /${CMAKE_INSTALL_BINDIR} /${TILEGAME_PROGRAM_DIR})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/launcher.sh.in
    ${CMAKE_CURRENT_BINARY_DIR}/tilegame-${program} @ONLY)
  install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/tilegame-${program}
    DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT game)
endfunction()
