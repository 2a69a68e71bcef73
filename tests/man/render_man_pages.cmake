# Renders each manual page with man's warnings on; any warning fails.
#   cmake -DPAGES="a.1;b.5" -P render_man_pages.cmake
# Exits with 77 (skipped) when man is not installed (Debian: man-db).
find_program(MAN_PROGRAM man)
if(NOT MAN_PROGRAM)
  message("man is not installed (Debian package man-db): manual pages not checked")
  cmake_language(EXIT 77)
endif()
set(failed FALSE)
foreach(page IN LISTS PAGES)
  execute_process(COMMAND ${MAN_PROGRAM} --warnings -l ${page}
                  OUTPUT_QUIET ERROR_VARIABLE warnings RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
    message("${page}: exit ${result}\n${warnings}")
    set(failed TRUE)
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "manual pages render with warnings")
endif()
