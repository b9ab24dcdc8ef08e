# Run by CPack on the staged files before it packs them: stripping keeps the compiler's notes
# (.comment, .note) that nothing reads at run time; Debian's packages go without them.
file(GLOB programs ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*)
foreach(program ${programs})
  execute_process(COMMAND ${CPACK_PIXELTOOLS_STRIP} --remove-section=.comment --remove-section=.note
                          ${program}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not strip ${program}")
  endif()
endforeach()
