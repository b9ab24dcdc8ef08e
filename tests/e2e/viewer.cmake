# The viewer end to end: one viewer built around a test picture made during the build, and the
# default viewer, each run in its own Xvfb by viewer_e2e.py.
if(E2E_PYTHON AND TARGET viewer_stream_generator)
  set(viewer_test_picture ${CMAKE_CURRENT_BINARY_DIR}/viewer_test_picture.bi)
  add_custom_command(
    OUTPUT ${viewer_test_picture}
    COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/viewer_test_picture.py
            ${viewer_test_picture}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/viewer_test_picture.py
    COMMENT "Making the viewer's end-to-end test picture"
    VERBATIM)
  add_picture_viewer(viewer_test_picture_viewer ${viewer_test_picture})

  add_test(NAME viewer_e2e_test_picture
           COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/viewer_e2e.py
                   $<TARGET_FILE:viewer_test_picture_viewer> --test-picture)
  if(TARGET viewer AND NOT VIEWER_PICTURE)
    add_test(NAME viewer_e2e_default_picture
             COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/viewer_e2e.py
                     $<TARGET_FILE:viewer> --bmp ${PROJECT_SOURCE_DIR}/viewer/sample/sample.bmp)
    set_tests_properties(viewer_e2e_default_picture PROPERTIES LABELS e2e TIMEOUT 120)
  endif()
  set_tests_properties(viewer_e2e_test_picture PROPERTIES LABELS e2e TIMEOUT 120)
endif()
