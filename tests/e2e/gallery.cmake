# The gallery end to end in its own Xvfb: typing into a field and holding a button, by gallery_e2e.py.
find_program(GALLERY_E2E_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(GALLERY_E2E_PYTHON AND TARGET gallery)
  add_test(NAME gallery_e2e
           COMMAND ${GALLERY_E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/gallery_e2e.py
                   $<TARGET_FILE:gallery> ${PROJECT_SOURCE_DIR}/screen/font/font8x8-cp437.txt)
  set_tests_properties(gallery_e2e PROPERTIES LABELS e2e TIMEOUT 120)
endif()
