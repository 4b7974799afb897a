# Installed layout of the game on Linux: the programs in libexec/tilegame,
# their data (imgs/, map/) in share/tilegame and, on the PATH, one launcher per
# program (tilegame-server, tilegame-client) that starts it inside the data
# folder. On Windows everything lies side by side in one folder, with play.cmd
# and a how-to-play text: a double-click starts a program in its own folder,
# where it finds map\ and imgs\.
if(WIN32)
  set(TILEGAME_PROGRAM_DIR .)
  set(TILEGAME_DATA_DIR .)
  # Windows' own line ends, which cmd.exe and every editor read right; made
  # again whenever the source changes.
  foreach(file play.cmd host-lan-game.cmd join-lan-game.cmd how-to-play.txt)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/${file}
      ${PROJECT_BINARY_DIR}/packaging/${file} @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${PROJECT_BINARY_DIR}/packaging/${file} DESTINATION . COMPONENT game)
  endforeach()
else()
  set(TILEGAME_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/tilegame)
  set(TILEGAME_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tilegame)
endif()

# Installs `program` and, on Linux, its launcher tilegame-<program>. The
# launcher finds the other folders relative to itself, so the installed tree
# may move.
function(tilegame_install_program program)
  install(TARGETS ${program} RUNTIME DESTINATION ${TILEGAME_PROGRAM_DIR} COMPONENT game)
  if(WIN32)
    return()
  endif()
  set(LAUNCHED_PROGRAM ${program})
  file(RELATIVE_PATH LAUNCHER_TO_DATA /${CMAKE_INSTALL_BINDIR} /${TILEGAME_DATA_DIR})
  file(RELATIVE_PATH LAUNCHER_TO_PROGRAM /${CMAKE_INSTALL_BINDIR} /${TILEGAME_PROGRAM_DIR})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/launcher.sh.in
    ${CMAKE_CURRENT_BINARY_DIR}/tilegame-${program} @ONLY)
  install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/tilegame-${program}
    DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT game)
endfunction()
