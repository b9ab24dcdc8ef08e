# The desktop dialogs of the converter (GTK message boxes and file choosers) in their own Xvfb
# with a window manager, answered with xdotool.
if(TARGET dialogs_probe)
  add_test(NAME e2e_converter_dialogs
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/converter_dialogs.sh $<TARGET_FILE:dialogs_probe>
                   ${CMAKE_CURRENT_BINARY_DIR}/converter_dialogs)
  set_tests_properties(e2e_converter_dialogs PROPERTIES LABELS e2e TIMEOUT 180)
endif()
