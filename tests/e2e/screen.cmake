add_test(NAME e2e_screen_window
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/screen_window.sh $<TARGET_FILE:screen_probe>
          ${PROJECT_SOURCE_DIR}/screen/font/font8x8-cp437.txt)
set_tests_properties(e2e_screen_window PROPERTIES TIMEOUT 120)

add_test(NAME e2e_window_soak
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/window_soak.sh $<TARGET_FILE:window_soak>)
set_tests_properties(e2e_window_soak PROPERTIES TIMEOUT 240 LABELS "e2e;window-thread")
