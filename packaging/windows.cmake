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
