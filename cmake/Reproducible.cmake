# Builds of one commit give the same bytes in any folder at any time.
# scripts/source-date-epoch names the time (the commit's). The linker writes
# it as the time stamp of the PE header and the export table (binutils takes
# SOURCE_DATE_EPOCH from its environment), and the compiler writes no
# absolute path of the source or the build folder (__FILE__, debug
# information).
execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/source-date-epoch
  OUTPUT_VARIABLE KORVANE_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)
# Written only when the time changes: a new commit relinks the stamped files.
set(KORVANE_EPOCH_FILE ${CMAKE_BINARY_DIR}/source-date-epoch.txt)
file(CONFIGURE OUTPUT ${KORVANE_EPOCH_FILE} CONTENT "${KORVANE_SOURCE_DATE_EPOCH}\n")

# The build folder lies inside the source folder: GCC takes the last map that
# matches, so the longer build path comes second.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>
                    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>)

# korvane_stamp(TARGET...): links each with the source time as its time stamp.
function(korvane_stamp)
  set(launcher ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${KORVANE_SOURCE_DATE_EPOCH})
  foreach(target IN LISTS ARGN)
    set_target_properties(${target} PROPERTIES C_LINKER_LAUNCHER "${launcher}"
                                               CXX_LINKER_LAUNCHER "${launcher}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${KORVANE_EPOCH_FILE})
  endforeach()
endfunction()
