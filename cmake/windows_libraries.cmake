# SQLite and libxlsxwriter for the Windows tool. Debian builds neither for
# Windows, so both come from Debian's source packages (with Debian's patches
# applied), fetched by apt-get source into build/debian-sources/ when first
# needed (a deb-src entry: tools/dev.sh adds one), shared by the win32 and
# win64 builds, and compiled here with the cross compiler into static
# libraries; zlib is Debian's libz-mingw-w64-dev.
#
# Defines the targets nelvo_sqlite3 and nelvo_xlsxwriter, and
# NELVO_SQLITE_SOURCE_VERSION and NELVO_XLSXWRITER_SOURCE_VERSION (the
# Debian versions, for the record).
include_guard(GLOBAL)
enable_language(C)

set(NELVO_DEBIAN_SOURCES ${PROJECT_SOURCE_DIR}/build/debian-sources CACHE PATH
    "Where Debian's sources of the Windows tool's libraries are unpacked")
file(MAKE_DIRECTORY ${NELVO_DEBIAN_SOURCES})
# One build at a time fetches; the other waits and finds the result.
file(LOCK ${NELVO_DEBIAN_SOURCES}/.lock GUARD FILE TIMEOUT 1800)

# nelvo_debian_source(PACKAGE OUT_DIR OUT_VERSION): the unpacked source of
# PACKAGE, fetched unless an earlier build did. A fetch that fails leaves
# only its .part folder, which the next attempt starts afresh.
function(nelvo_debian_source package out_dir out_version)
  set(home ${NELVO_DEBIAN_SOURCES}/${package})
  if(NOT EXISTS ${home})
    find_program(NELVO_APT_GET apt-get REQUIRED)
    find_program(NELVO_DPKG_SOURCE dpkg-source)
    if(NOT NELVO_DPKG_SOURCE)
      message(FATAL_ERROR "apt-get source needs dpkg-source (package dpkg-dev): bash tools/dev.sh installs it")
    endif()
    message(STATUS "Fetching Debian's source of ${package} into ${home}")
    file(REMOVE_RECURSE ${home}.part)
    file(MAKE_DIRECTORY ${home}.part)
    execute_process(COMMAND ${NELVO_APT_GET} source -q ${package}
                    WORKING_DIRECTORY ${home}.part
                    RESULT_VARIABLE failed OUTPUT_FILE ${home}.part/fetch.log ERROR_FILE ${home}.part/fetch.log)
    if(failed)
      file(READ ${home}.part/fetch.log log)
      message(FATAL_ERROR "apt-get source ${package} failed (it needs a deb-src entry for Debian's archive, "
                          "which bash tools/dev.sh test|package adds):\n${log}")
    endif()
    file(RENAME ${home}.part ${home})
  endif()
  file(GLOB dsc ${home}/${package}_*.dsc)
  list(LENGTH dsc count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "${home}: expected one ${package}_*.dsc, found: ${dsc}")
  endif()
  file(STRINGS ${dsc} version_line REGEX "^Version: ")
  string(REGEX REPLACE "^Version: (.*)$" "\\1" version "${version_line}")
  string(REGEX REPLACE "^([0-9]+:)?([^-]+)(-.*)?$" "\\2" upstream "${version}")
  set(${out_dir} ${home}/${package}-${upstream} PARENT_SCOPE)
  set(${out_version} ${version} PARENT_SCOPE)
endfunction()

# ---- SQLite --------------------------------------------------------------
# Debian's source is SQLite's source tree; the one-file amalgamation that a
# program compiles is made from it by its own make rule (the host's cc and
# tclsh), once: it is the same for every target.
nelvo_debian_source(sqlite3 sqlite_dir NELVO_SQLITE_SOURCE_VERSION)
set(amalgamation ${NELVO_DEBIAN_SOURCES}/sqlite3/amalgamation)
if(NOT EXISTS ${amalgamation}/sqlite3.c)
  find_program(NELVO_TCLSH NAMES tclsh tclsh8.6)
  if(NOT NELVO_TCLSH)
    message(FATAL_ERROR "SQLite's amalgamation needs tclsh (package tcl): bash tools/dev.sh installs it")
  endif()
  message(STATUS "Making SQLite's amalgamation in ${amalgamation}")
  set(work ${NELVO_DEBIAN_SOURCES}/sqlite3/host-build)
  file(REMOVE_RECURSE ${work})
  file(MAKE_DIRECTORY ${work})
  execute_process(COMMAND sh ${sqlite_dir}/configure --disable-shared --disable-tcl
                  WORKING_DIRECTORY ${work} RESULT_VARIABLE failed
                  OUTPUT_FILE ${work}/configure.log ERROR_FILE ${work}/configure.log)
  if(NOT failed)
    execute_process(COMMAND make -l 3 sqlite3.c WORKING_DIRECTORY ${work} RESULT_VARIABLE failed
                    OUTPUT_FILE ${work}/make.log ERROR_FILE ${work}/make.log)
  endif()
  if(failed)
    message(FATAL_ERROR "SQLite's amalgamation could not be made: see ${work}/configure.log and make.log")
  endif()
  file(MAKE_DIRECTORY ${amalgamation}.part)
  file(COPY ${work}/sqlite3.c ${work}/sqlite3.h DESTINATION ${amalgamation}.part)
  file(RENAME ${amalgamation}.part ${amalgamation})
  file(REMOVE_RECURSE ${work})
endif()

add_library(nelvo_sqlite3 STATIC ${amalgamation}/sqlite3.c)
target_include_directories(nelvo_sqlite3 SYSTEM PUBLIC ${amalgamation})
# Another project's code: its own warnings are not ours to fix. -O2, as
# SQLite's own builds (-O3 takes far longer on the 8 MB file for nothing a
# file converter notices), and no debug information of its own.
target_compile_options(nelvo_sqlite3 PRIVATE -w -O2 -g0)
# Thread-safe (each connection is used by one thread at a time, the export's
# turns); no loadable extensions, which a file converter never loads.
target_compile_definitions(nelvo_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)

# ---- libxlsxwriter -------------------------------------------------------
# Its own build compiles src/ and the minizip, tmpfileplus and md5 copies in
# third_party/ (which Debian's source keeps; Debian's binary links the system
# minizip and OpenSSL's md5 instead).
nelvo_debian_source(libxlsxwriter xlsx_dir NELVO_XLSXWRITER_SOURCE_VERSION)
set(ZLIB_USE_STATIC_LIBS ON)  # no zlib1.dll to ship
find_package(ZLIB REQUIRED)
file(GLOB xlsx_sources ${xlsx_dir}/src/*.c)
if(NOT xlsx_sources)
  message(FATAL_ERROR "no sources in ${xlsx_dir}/src")
endif()
add_library(nelvo_xlsxwriter STATIC ${xlsx_sources}
  ${xlsx_dir}/third_party/minizip/ioapi.c
  ${xlsx_dir}/third_party/minizip/zip.c
  ${xlsx_dir}/third_party/tmpfileplus/tmpfileplus.c
  ${xlsx_dir}/third_party/md5/md5.c)
target_include_directories(nelvo_xlsxwriter SYSTEM PUBLIC ${xlsx_dir}/include)
target_compile_options(nelvo_xlsxwriter PRIVATE -w -g0)
# The library opens its files with the C library's narrow functions, which on
# Windows take the ANSI code page and stop at MAX_PATH: a header forced into
# each of its sources turns them into UTF-8 ones that take long paths
# (tools/nelvo-data/system/windows/library_files.h).
target_compile_options(nelvo_xlsxwriter PRIVATE
  -include ${PROJECT_SOURCE_DIR}/tools/nelvo-data/system/windows/library_files.h)
# No encryption in the zip (as libxlsxwriter's own build).
target_compile_definitions(nelvo_xlsxwriter PRIVATE NOCRYPT NOUNCRYPT)
target_link_libraries(nelvo_xlsxwriter PUBLIC nelvo_library_files ZLIB::ZLIB)
