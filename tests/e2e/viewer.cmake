# The viewer end to end: one viewer built around a test picture made during the build, the
# default viewer, and the default viewer given the test picture as an include file and as a BMP,
# or files it cannot show; each run in its own Xvfb (or none) by viewer_e2e.py.
if(E2E_PYTHON AND TARGET viewer_stream_generator)
  set(viewer_test_picture ${CMAKE_CURRENT_BINARY_DIR}/viewer_test_picture.bi)
  set(viewer_test_bmp ${CMAKE_CURRENT_BINARY_DIR}/viewer_test_picture.bmp)
  add_custom_command(
    OUTPUT ${viewer_test_picture} ${viewer_test_bmp}
    COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/viewer_test_picture.py
            ${viewer_test_picture} ${viewer_test_bmp}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/viewer_test_picture.py
    COMMENT "Making the viewer's end-to-end test picture"
    VERBATIM)
  add_custom_target(viewer_test_pictures ALL DEPENDS ${viewer_test_picture} ${viewer_test_bmp})
  add_picture_viewer(viewer_test_picture_viewer ${viewer_test_picture})

  add_test(NAME viewer_e2e_test_picture
           COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/viewer_e2e.py
                   $<TARGET_FILE:viewer_test_picture_viewer> --test-picture)
  set_tests_properties(viewer_e2e_test_picture PROPERTIES LABELS e2e TIMEOUT 120)
  if(TARGET viewer AND NOT VIEWER_PICTURE)
    add_test(NAME viewer_e2e_default_picture
             COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/viewer_e2e.py
                     $<TARGET_FILE:viewer> --bmp ${PROJECT_SOURCE_DIR}/viewer/sample/sample.bmp)
    set_tests_properties(viewer_e2e_default_picture PROPERTIES LABELS e2e TIMEOUT 120)
  endif()
  # Given a file, the viewer shows it instead of its own picture, which differs from it.
  if(TARGET viewer)
    foreach(file ${viewer_test_picture} ${viewer_test_bmp})
      cmake_path(GET file EXTENSION LAST_ONLY kind)
      string(REPLACE "." "" kind ${kind})
      add_test(NAME viewer_e2e_open_${kind}
               COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/viewer_e2e.py
                       $<TARGET_FILE:viewer> --test-picture --open ${file})
      set_tests_properties(viewer_e2e_open_${kind} PROPERTIES LABELS e2e TIMEOUT 120)
    endforeach()
    add_test(NAME viewer_e2e_refusals
             COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/viewer_e2e.py
                     $<TARGET_FILE:viewer> --refusals ${CMAKE_CURRENT_BINARY_DIR}/viewer_refusals)
    set_tests_properties(viewer_e2e_refusals PROPERTIES LABELS e2e TIMEOUT 120)
  endif()
endif()

# The window under openbox at 1280 x 800 (frame inside the screen, resized, transparency, a burst
# of keys, a folder) and at 3840 x 2160 with a scale of 2 (the screen's own pixels).
if(E2E_PYTHON AND TARGET viewer)
  add_test(NAME viewer_e2e_window
           COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/viewer_window_e2e.py
                   $<TARGET_FILE:viewer> ${CMAKE_CURRENT_BINARY_DIR}/viewer_window)
  set_tests_properties(viewer_e2e_window PROPERTIES LABELS e2e TIMEOUT 300)
endif()

# Several files on a 1920 x 1080 screen: fitted, zoomed, panned, stepped through with a damaged
# one; a damaged file alone started without a terminal gives a message box.
if(E2E_PYTHON AND TARGET viewer)
  add_test(NAME viewer_e2e_browse
           COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/viewer_browse_e2e.py
                   $<TARGET_FILE:viewer> ${CMAKE_CURRENT_BINARY_DIR}/viewer_browse)
  set_tests_properties(viewer_e2e_browse PROPERTIES LABELS e2e TIMEOUT 180)
endif()
