# The gallery's selection widgets and text area end to end in their own Xvfb, by gallery_widgets.py
# (which borrows the window and picture helpers of gallery_e2e.py).
find_program(GALLERY_WIDGETS_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(GALLERY_WIDGETS_PYTHON AND TARGET gallery)
  add_test(NAME gallery_widgets_e2e
           COMMAND ${GALLERY_WIDGETS_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/gallery_widgets.py
                   $<TARGET_FILE:gallery> ${PROJECT_SOURCE_DIR}/screen/font/font8x8-cp437.txt)
  set_tests_properties(gallery_widgets_e2e PROPERTIES LABELS e2e TIMEOUT 120)
endif()
