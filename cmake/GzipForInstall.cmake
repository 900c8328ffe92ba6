# Debian ships man pages, changelogs and large documents gzipped with `gzip -n -9`: the best
# compression, and no name or time stored, so the same text always gives the same bytes.
include_guard(GLOBAL)
find_program(VEXA_GZIP gzip REQUIRED)

# Makes OUTPUT_DIR/NAME.gz from SOURCE at build time (target TARGET) and sets RESULT to its path.
# The copy is gzipped in place: no shell redirection, which generators quote differently.
function(vexa_gzip_for_install target source name output_dir result)
  set(copy ${output_dir}/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${VEXA_GZIP} -n -9 -f ${copy}
    DEPENDS ${source}
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${copy}.gz)
  set(${result} ${copy}.gz PARENT_SCOPE)
endfunction()
