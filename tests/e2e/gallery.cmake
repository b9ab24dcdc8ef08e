# The gallery end to end in its own Xvfb: typing into a field and holding a button, by
# gallery_e2e.py; the selection widgets and the text area, by gallery_widgets.py.
if(E2E_PYTHON AND TARGET gallery)
  set(gallery_e2e_arguments $<TARGET_FILE:gallery>
                            ${PROJECT_SOURCE_DIR}/screen/font/font8x8-cp437.txt)
  add_test(NAME gallery_e2e COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/gallery_e2e.py
                                    ${gallery_e2e_arguments})
  add_test(NAME gallery_widgets_e2e
           COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/gallery_widgets.py
                   ${gallery_e2e_arguments})
  set_tests_properties(gallery_e2e gallery_widgets_e2e PROPERTIES LABELS e2e TIMEOUT 120)
endif()
