# Registers a GoogleTest executable's cases with CTest. In the Windows build
# the cases are listed when the tests run (listing needs Wine, not the
# compiler) and each one needs the Wine prefix fixture.
function(tilegame_discover_tests target)
  cmake_parse_arguments(ARG "" "" "PROPERTIES" ${ARGN})
  set(properties ${ARG_PROPERTIES})
  set(mode "")
  if(CMAKE_CROSSCOMPILING)
    list(APPEND properties FIXTURES_REQUIRED wine)
    set(mode DISCOVERY_MODE PRE_TEST)
  endif()
  if(properties)
    set(properties PROPERTIES ${properties})
  endif()
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 ${mode} ${ARG_UNPARSED_ARGUMENTS}
                       ${properties})
endfunction()
