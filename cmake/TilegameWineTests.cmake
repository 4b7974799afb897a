# The end-to-end suites a second time, against the programs of a Windows build
# run under Wine: configure the Linux build with
# -DTILEGAME_WINDOWS_BUILD=<source>/build/windows (built first). The tests are
# named Wine.<suite>.<case> and labelled wine.
include_guard(GLOBAL)

set(TILEGAME_WINDOWS_BUILD "" CACHE PATH
  "A Windows build folder whose programs the end-to-end suites also run under Wine")

# Wine sets its prefix up on first use (about 10 s) and keeps a server per
# prefix, bound to the X display of its first window: one test readies the
# prefix before the suites, one ends its server after them (if it still runs).
# The programs Wine starts beside the first one keep its output open while
# they live, so the readying one writes nowhere: CTest would wait for them.
# It runs a program that does nothing: wineboot on a prefix whose session
# runs already would start a second set of its services, which stalls every
# program started after.
function(tilegame_add_wine_e2e_fixture)
  get_property(added GLOBAL PROPERTY TILEGAME_WINE_E2E_FIXTURE)
  if(added)
    return()
  endif()
  set_property(GLOBAL PROPERTY TILEGAME_WINE_E2E_FIXTURE TRUE)
  add_test(NAME Wine.PrefixReady
    COMMAND sh -c "${TILEGAME_WINDOWS_BUILD}/wine-run cmd /c exit >/dev/null 2>&1 </dev/null")
  set_tests_properties(Wine.PrefixReady PROPERTIES FIXTURES_SETUP wine_e2e TIMEOUT 120 LABELS wine)
  add_test(NAME Wine.ServerEnded
    COMMAND sh -c "WINEPREFIX=${TILEGAME_WINDOWS_BUILD}/wine-prefix wineserver -k || true")
  set_tests_properties(Wine.ServerEnded PROPERTIES FIXTURES_CLEANUP wine_e2e LABELS wine)
endfunction()

# Registers the cases of end-to-end suite `target` against the Windows
# programs, leaving out the LINUX_ONLY cases (GoogleTest names).
function(tilegame_add_wine_e2e target)
  cmake_parse_arguments(ARG "" "" "LINUX_ONLY;PROPERTIES" ${ARGN})
  if(NOT TILEGAME_WINDOWS_BUILD)
    return()
  endif()
  if(NOT EXISTS ${TILEGAME_WINDOWS_BUILD}/wine-run)
    message(FATAL_ERROR "TILEGAME_WINDOWS_BUILD: no Windows build in ${TILEGAME_WINDOWS_BUILD}")
  endif()
  tilegame_add_wine_e2e_fixture()
  set(filter "")
  if(ARG_LINUX_ONLY)
    list(JOIN ARG_LINUX_ONLY ":" left_out)
    set(filter TEST_FILTER "-${left_out}")
  endif()
  tilegame_discover_tests(${target} TEST_PREFIX Wine. ${filter}
    PROPERTIES ${ARG_PROPERTIES} ENVIRONMENT TILEGAME_WINDOWS_BUILD=${TILEGAME_WINDOWS_BUILD}
               FIXTURES_REQUIRED wine_e2e LABELS wine)
endfunction()
