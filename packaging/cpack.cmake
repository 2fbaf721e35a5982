# The packages, all named after the project version. Linux: a Debian package
# of the tool, one of the library for developers, and a .tar.gz of the whole
# install tree. Windows: nelvo-data-VERSION-windows.zip, made by the 64-bit
# build with the 32-bit build's parts beside its own (a 32-bit build alone
# packs only its own, as on 32-bit Windows).
set(CPACK_PACKAGE_NAME nelvo-data)
set(CPACK_PACKAGE_VENDOR "Nelvo_data")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(NELVO_PACKAGE_CONTACT "Nelvo_data maintainers" CACHE STRING "Maintainer field of the Debian packages")
set(CPACK_PACKAGE_CONTACT "${NELVO_PACKAGE_CONTACT}")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME nelvo-data-${PROJECT_VERSION}-windows)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_COMPONENTS_ALL windows)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # x86\ comes from the 32-bit build, which must have been built: cpack
    # fails rather than leave it out.
    set(CPACK_INSTALL_CMAKE_PROJECTS
      "${NELVO_WIN32_BUILD};Nelvo_data;windows;/;${CMAKE_BINARY_DIR};Nelvo_data;windows;/")
  endif()
else()
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_COMPONENTS_ALL tool dev)
  if(NELVO_PYTHON_MODULE)
    list(APPEND CPACK_COMPONENTS_ALL python)
  endif()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" platform)
  set(CPACK_PACKAGE_FILE_NAME nelvo-data-${PROJECT_VERSION}-${platform})

  # Debian: one package per component, named nelvo-data_VERSION_ARCH.deb and
  # libnelvo-data-dev_VERSION_ARCH.deb. The first line of each description is
  # its synopsis (no package-wide summary, which CPack would put first).
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

  set(CPACK_DEBIAN_TOOL_PACKAGE_NAME nelvo-data)
  set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_TOOL_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_TOOL_DESCRIPTION
"export and inspect payroll data files (nelvo-data)
nelvo-data reads the fixed-length record files of a payroll application
for the German public sector (personnel master in both layouts, BDA, JDA,
surcharge hours, social insurance, leave sheet, leave calendar, tariff
table). It counts records, shows one record as the record text the
Windows component returns, and exports whole files as text, JSON, JSON
Lines or CSV. Data files are only ever read.")

  set(CPACK_DEBIAN_DEV_PACKAGE_NAME libnelvo-data-dev)
  set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
  # The archive holds objects of this C++ compiler: linking it needs its
  # standard library.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    string(REGEX MATCH "^[0-9]+" gcc_major "${CMAKE_CXX_COMPILER_VERSION}")
    set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libstdc++-${gcc_major}-dev")
  endif()
  set(CPACK_DEBIAN_DEV_PACKAGE_SUGGESTS "cmake, pkgconf")
  set(CPACK_DEBIAN_DEV_DESCRIPTION
"C++ library for payroll data files (development files)
The static library behind nelvo-data, standard library only: the class
getuser_data with the members of the Windows component, and typed access
to the records of every file kind (each field's values as text bytes,
16/32-bit integers, scaled currency integers, floats and truth values,
with name, offset and shape from the record layout tables).
Use it with find_package(NelvoData) (target NelvoData::nelvo_data) or
pkg-config nelvo-data; the headers need C++20.")

  # python3-nelvo-data_VERSION_ARCH.deb: the module for Debian's python3,
  # whose version its extension is built for.
  if(NELVO_PYTHON_MODULE)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-nelvo-data)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS ON)
    string(REPLACE "." ";" py_version "${NELVO_PYTHON_VERSION}")
    list(GET py_version 1 py_minor)
    math(EXPR py_next "${py_minor} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
        "python3 (>= ${NELVO_PYTHON_VERSION}), python3 (<< 3.${py_next}), python3-numpy")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS python3-pandas)
    set(CPACK_DEBIAN_PYTHON_DESCRIPTION
"payroll data files as NumPy arrays and pandas frames (nelvo_data)
The Python module nelvo_data reads the record files nelvo-data reads, with
the same library: typed columns straight into NumPy arrays and pandas
frames (integers, floats, exact or float amounts, texts from
Windows-1252), the component's record text, and the component's class
with its members. pandas is needed only for the DataFrame functions.")
  endif()
endif()

include(CPack)
