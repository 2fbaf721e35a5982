# nelvo_ship_stripped(TARGET): what a user gets carries no debug
# information; it goes into TARGET-FILE.debug beside it in the build tree,
# which the stripped file names (.gnu_debuglink) for debuggers.
include_guard(GLOBAL)

function(nelvo_ship_stripped target)
  if(NOT CMAKE_OBJCOPY OR NOT CMAKE_STRIP)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE_NAME:${target}>
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    COMMENT "Splitting the debug information off $<TARGET_FILE_NAME:${target}>"
    VERBATIM)
endfunction()
