# The Windows archive's tree, component `windows`. Each bitness's build puts
# its DLL and type library under x86\ or x64\; the 64-bit build adds
# nelvo-data.exe; both add the registration scripts, the examples and the
# caller's guide (the same files, so either build's copy serves).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(arch x64)
else()
  set(arch x86)
endif()

install(TARGETS Nelvo_data RUNTIME DESTINATION ${arch} COMPONENT windows)
install(FILES ${CMAKE_BINARY_DIR}/src/automation/Nelvo_data.tlb DESTINATION ${arch} COMPONENT windows)
if(arch STREQUAL "x64" AND TARGET nelvo-data)
  install(TARGETS nelvo-data RUNTIME DESTINATION . COMPONENT windows)
endif()
install(FILES windows/register.cmd windows/unregister.cmd DESTINATION . COMPONENT windows)
# Without the repository's own files (.gitattributes).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples ${PROJECT_SOURCE_DIR}/docs DESTINATION . COMPONENT windows
  PATTERN ".*" EXCLUDE)

# ---- the Windows Installer package -------------------------------------------
# nelvo-data-VERSION-x64.msi (both DLLs and the 64-bit tool) from the 64-bit
# build, with the 32-bit build's parts; nelvo-data-VERSION-x86.msi (the
# 32-bit DLL and tool) from the 32-bit build. Its COM registration is
# generated at every build from the DLL's own registration entries
# (msi_classes, run under Wine like the type library's generator);
# make-msi.sh VERSION OUTPUT runs wixl on windows/nelvo-data.wxs with them.
# `cmake --build --target msi` writes the package of the project version.
if(TARGET nelvo-data)
  find_program(NELVO_WIXL wixl REQUIRED)
  add_executable(msi_classes windows/msi_classes.cpp)
  target_link_libraries(msi_classes PRIVATE nelvo_automation)
  target_link_options(msi_classes PRIVATE -municode)
  set(classes_dir ${CMAKE_CURRENT_BINARY_DIR}/msi-classes)
  set(classes ${classes_dir}/classes-64.wxi ${classes_dir}/classes-32.wxi ${classes_dir}/classes-shared.wxi)
  file(MAKE_DIRECTORY ${classes_dir})
  add_custom_command(
    OUTPUT ${classes}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${classes}
    COMMAND ${NELVO_RUN_GENERATOR} $<TARGET_FILE:msi_classes> ${arch} .
    DEPENDS msi_classes
    WORKING_DIRECTORY ${classes_dir}
    COMMENT "Generating the packages' COM registration"
    VERBATIM)
  add_custom_target(nelvo_msi_classes ALL DEPENDS ${classes})

  # wixl finds sources by relative names only: the files are staged under
  # the names the package gives them.
  if(arch STREQUAL "x64")
    set(stage_servers "ln -s '${NELVO_WIN32_BUILD}/src/automation/Nelvo_data.dll' '${NELVO_WIN32_BUILD}/src/automation/Nelvo_data.tlb' x86/
ln -s '$<TARGET_FILE:Nelvo_data>' '$<TARGET_FILE_DIR:Nelvo_data>/Nelvo_data.tlb' x64/")
  else()
    set(stage_servers "ln -s '$<TARGET_FILE:Nelvo_data>' '$<TARGET_FILE_DIR:Nelvo_data>/Nelvo_data.tlb' x86/")
  endif()
  set(make_msi ${CMAKE_CURRENT_BINARY_DIR}/make-msi.sh)
  file(GENERATE OUTPUT ${make_msi} CONTENT "#!/bin/sh
# make-msi.sh VERSION OUTPUT: the ${arch} package of this build (generated
# by packaging/windows.cmake).
set -eu
case \"$2\" in /*) out=$2 ;; *) out=$PWD/$2 ;; esac
stage=$(mktemp -d)
trap 'rm -rf \"$stage\"' EXIT
cd \"$stage\"
mkdir x64 x86
${stage_servers}
ln -s '$<TARGET_FILE:nelvo-data>' nelvo-data.exe
# The size Programs and Features shows, in KiB.
size=$(find -L . -type f -printf '%s\\n' | awk '{ n += $1 } END { printf \"%d\", (n + 1023) / 1024 }')
'${NELVO_WIXL}' -a ${arch} -D Arch=${arch} -D \"Version=$1\" -D \"Size=$size\" -I '${classes_dir}' -o \"$out\" \\
    '${CMAKE_CURRENT_SOURCE_DIR}/windows/nelvo-data.wxs'
")
  set(msi ${CMAKE_BINARY_DIR}/nelvo-data-${PROJECT_VERSION}-${arch}.msi)
  add_custom_command(
    OUTPUT ${msi}
    COMMAND sh ${make_msi} ${PROJECT_VERSION} ${msi}
    DEPENDS ${classes} Nelvo_data nelvo-data windows/nelvo-data.wxs ${make_msi}
    COMMENT "Building nelvo-data-${PROJECT_VERSION}-${arch}.msi"
    VERBATIM)
  add_custom_target(msi DEPENDS ${msi})
endif()
