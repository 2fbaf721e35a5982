# Install-time script: the man page compressed as Debian wants it
# (gzip -9n, no name or time stamp).
# In: nelvo_man_page (the page in the build tree), nelvo_man_dir (relative).
if(NOT EXISTS "${nelvo_man_page}")
  message(FATAL_ERROR "${nelvo_man_page} is missing: build the tool (target nelvo_docs) before installing")
endif()
set(dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${nelvo_man_dir}")
get_filename_component(name "${nelvo_man_page}" NAME)
file(MAKE_DIRECTORY "${dir}")
message(STATUS "Installing: ${dir}/${name}.gz")
execute_process(COMMAND gzip -9n -c "${nelvo_man_page}" OUTPUT_FILE "${dir}/${name}.gz" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip ${nelvo_man_page} failed")
endif()
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${dir}/${name}.gz")
