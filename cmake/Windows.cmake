# The Windows build: programs linked statically (no MinGW DLLs to ship), tests
# built against GoogleTest from the sources Debian ships, and run under Wine in
# a prefix of the build's own.
add_link_options(-static -static-libgcc -static-libstdc++)
# Windows headers: no min/max macros, nothing of the old socket API.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${WINE_RUN} @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                   WORLD_READ WORLD_EXECUTE)
if(CMAKE_CROSSCOMPILING)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_RUN})
endif()

# GoogleTest built with the cross compiler from /usr/src/googletest.
macro(tilegame_find_gtest)
  set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
  if(NOT EXISTS ${GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${GTEST_SOURCE_DIR} (Debian package libgtest-dev)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endmacro()

# Wine starts its prefix on first use (about 10 s) and keeps a wineserver per
# prefix: one test makes the prefix before the others run, one ends its
# server after them, so no stale server outlives the run.
function(tilegame_add_wine_fixture)
  # A fresh prefix is set up by wineboot, whose services finish after it
  # returns; a server that then shuts down while a test starts drops that
  # test. So: end any session of this prefix, set the prefix up, wait until it
  # has settled, and keep one server up until the clean-up test ends it. Its
  # session's services start with the first program and keep that program's
  # output open, so the first program here is one that writes nowhere.
  add_test(NAME Wine.PrefixReady
    COMMAND sh -c "export WINEPREFIX='${WINE_PREFIX}'; wineserver -k 2>/dev/null; \
'${WINE_RUN}' wineboot --init >/dev/null 2>&1 </dev/null && wineserver -w && \
wineserver -p >/dev/null 2>&1 </dev/null && \
'${WINE_RUN}' cmd /c exit >/dev/null 2>&1 </dev/null")
  set_tests_properties(Wine.PrefixReady PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
  # wineserver -k fails when no server runs: that is the state we want.
  add_test(NAME Wine.ServerEnded
    COMMAND sh -c "WINEPREFIX='${WINE_PREFIX}' wineserver -k || true")
  set_tests_properties(Wine.ServerEnded PROPERTIES FIXTURES_CLEANUP wine)
endfunction()
