# The converter end to end in its own Xvfb with openbox: first frame, typed and chosen paths,
# "Done!", the overwrite question, Escape and "Exit", by converter_e2e.py. Screenshots are kept in
# the build folder.
if(E2E_PYTHON AND TARGET converter)
  add_test(NAME converter_e2e
           COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/converter_e2e.py
                   $<TARGET_FILE:converter> ${PROJECT_SOURCE_DIR}/screen/font/font8x8-cp437.txt
                   ${CMAKE_CURRENT_BINARY_DIR}/converter_e2e)
  set_tests_properties(converter_e2e PROPERTIES LABELS e2e TIMEOUT 180)
endif()

# The converter on a desktop: a tap on "Start", paste, a chooser answer and a drop beyond ASCII,
# the window manager's close, by converter_desktop.py (xclip, wmctrl, python3-xlib, openbox).
if(E2E_PYTHON AND TARGET converter)
  add_test(NAME converter_desktop_e2e
           COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/converter_desktop.py
                   $<TARGET_FILE:converter> ${PROJECT_SOURCE_DIR}/screen/font/font8x8-cp437.txt
                   ${CMAKE_CURRENT_BINARY_DIR}/converter_desktop)
  set_tests_properties(converter_desktop_e2e PROPERTIES LABELS e2e TIMEOUT 180)
endif()

# The converter at the desktop's scale of 2 on a 3840 x 2160 screen: 2 x 2 blocks, and a click on
# each button where it is drawn.
if(E2E_PYTHON AND TARGET converter)
  add_test(NAME converter_scaled_e2e
           COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/converter_scaled_e2e.py
                   $<TARGET_FILE:converter> ${CMAKE_CURRENT_BINARY_DIR}/converter_scaled)
  set_tests_properties(converter_scaled_e2e PROPERTIES LABELS e2e TIMEOUT 180)
endif()

# The fields and boxes as a desktop user meets them (typing at machine speed, arrows, selection,
# the overwrite and large-file questions, the chooser cancelled, a 20 MB paste) and hostile drag
# sources against the converter and the viewer, by converter_fields_e2e.py.
if(E2E_PYTHON AND TARGET converter AND TARGET viewer)
  add_test(NAME converter_fields_e2e
           COMMAND ${E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/converter_fields_e2e.py
                   $<TARGET_FILE:converter> $<TARGET_FILE:viewer>
                   ${PROJECT_SOURCE_DIR}/screen/font/font8x8-cp437.txt
                   ${CMAKE_CURRENT_BINARY_DIR}/converter_fields)
  set_tests_properties(converter_fields_e2e PROPERTIES LABELS e2e TIMEOUT 300)
endif()
