# Tests of the cross build run under Wine in a prefix of their own, of the
# toolchain's architecture (NELVO_WINEARCH), created once under the build
# tree. NELVO_WINE_HOST is the loader that starts Windows' own programs
# (cscript, regsvr32, reg) with the build's bitness.
set(NELVO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(NELVO_WINE_ENV
  WINEPREFIX=${NELVO_WINEPREFIX}
  WINEARCH=${NELVO_WINEARCH}
  WINEDEBUG=-all
  "WINEDLLOVERRIDES=mscoree,mshtml="
  NELVO_WINE_HOST=${NELVO_WINE_HOST}
)

add_test(NAME wine_prefix
  COMMAND ${CMAKE_COMMAND} -E env ${NELVO_WINE_ENV}
          sh ${PROJECT_SOURCE_DIR}/tests/automation/wine_prefix.sh)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME wine_shutdown COMMAND ${CMAKE_COMMAND} -E env ${NELVO_WINE_ENV} wineserver -k)
set_tests_properties(wine_shutdown PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# nelvo_add_wine_test(NAME COMMAND target-or-program args... [FIXTURES f...])
function(nelvo_add_wine_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "COMMAND;FIXTURES")
  add_test(NAME ${name} COMMAND ${arg_COMMAND})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${NELVO_WINE_ENV}"
    FIXTURES_REQUIRED "wine;${arg_FIXTURES}"
    TIMEOUT 600)
endfunction()
