# add_picture_viewer(<target> <file.bi>)
#
# Builds a viewer program around one pixel-data include file, the picture it shows when started
# without an argument (a path relative to the calling directory's sources, or a file another rule
# of that directory generates). The program is always
# called `viewer`, since that is also its window title; a target of another name gets a folder of
# its own, <binary dir>/<target>/viewer. The target's VIEWER_STREAM property names the generated
# stream file.
#
# At build time viewer_stream_generator turns the file into the value stream's bytes, which an
# assembler .incbin places into the program: that takes a fraction of the time a C++ array of the
# same size would need to compile.
function(add_picture_viewer target picture)
  cmake_path(ABSOLUTE_PATH picture BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${target}.stream)
  set(stream ${work}/picture.stream)
  set(assembly ${work}/picture.S)
  # A build rule cannot depend on a path with a semicolon (lists and make both cut it there): the
  # rule depends on a link of a plain name instead, and the generator still names the file.
  set(dependency "${picture}")
  if(picture MATCHES ";")
    set(dependency ${work}/picture.bi)
    file(MAKE_DIRECTORY ${work})
    file(CREATE_LINK "${picture}" ${dependency} SYMBOLIC)
  endif()

  add_custom_command(
    OUTPUT ${stream}
    COMMAND viewer_stream_generator "${picture}" ${stream}
    DEPENDS viewer_stream_generator ${dependency}
    COMMENT "Generating the value stream of ${picture}"
    VERBATIM)

  string(REPLACE "\\" "\\\\" quoted "${stream}")
  string(REPLACE "\"" "\\\"" quoted "${quoted}")
  file(CONFIGURE OUTPUT ${assembly} @ONLY CONTENT [[
    .section .rodata.viewer_stream, "a"
    .globl viewer_stream_begin
    .globl viewer_stream_end
viewer_stream_begin:
    .incbin "@quoted@"
viewer_stream_end:
    .section .note.GNU-stack, "", @progbits
]])
  set_source_files_properties(${assembly} PROPERTIES OBJECT_DEPENDS ${stream})

  add_executable(${target} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/main.cpp ${assembly} ${stream})
  target_link_libraries(${target} PRIVATE viewer_image viewer_browse desktop screen_window)
  target_compile_definitions(${target} PRIVATE PIXELTOOLS_VERSION="${PROJECT_VERSION}")
  set_target_properties(${target} PROPERTIES OUTPUT_NAME viewer VIEWER_STREAM ${stream})
  if(NOT target STREQUAL "viewer")
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                               ${CMAKE_CURRENT_BINARY_DIR}/${target})
  endif()
endfunction()
