# Run by CPack on its staging tree: plain strip leaves the compiler's .comment and .note sections,
# which Debian's own packages drop (lintian: binary-has-unneeded-section).
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*/bin/*")
if(NOT programs)
  message(FATAL_ERROR "strip_sections: no program below ${CPACK_TEMPORARY_DIRECTORY}")
endif()
foreach(program IN LISTS programs)
  execute_process(COMMAND "${CPACK_TARNWICK_STRIP}" --remove-section=.comment --remove-section=.note
                          "${program}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
