# Runs viewer_stream_generator as the build does and checks what a user of the build sees.
# Arguments: -DGENERATOR=<program> -DWORK=<scratch folder>.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(run_generator input output)
  execute_process(COMMAND ${GENERATOR} ${input} ${output}
                  RESULT_VARIABLE status ERROR_VARIABLE messages)
  set(status ${status} PARENT_SCOPE)
  set(messages "${messages}" PARENT_SCOPE)
endfunction()

# True in `found` when the generator's messages hold `text`.
function(messages_hold text)
  string(FIND "${messages}" "${text}" at)
  if(at GREATER -1)
    set(found TRUE PARENT_SCOPE)
  else()
    set(found FALSE PARENT_SCOPE)
  endif()
endfunction()

# A well-formed file: the stream, no message.
file(WRITE ${WORK}/good.bi "good_bi:\r\nData 1\r\nData 1\r\nData 255, 1, 2,3\r\n")
run_generator(${WORK}/good.bi ${WORK}/good.stream)
file(READ ${WORK}/good.stream stream)
if(NOT status EQUAL 0 OR NOT messages STREQUAL "" OR NOT stream STREQUAL "1\n1\n255,1,2,3\n")
  message(SEND_ERROR "good file: status ${status}, messages '${messages}', stream '${stream}'")
endif()

# A malformed line: file, line and what was expected; no output, an old one left alone.
file(WRITE ${WORK}/bad.bi "bad_bi:\r\nData 1\r\nPRINT \"hello\"\r\n")
file(WRITE ${WORK}/bad.stream "old")
run_generator(${WORK}/bad.bi ${WORK}/bad.stream)
file(READ ${WORK}/bad.stream stream)
messages_hold("${WORK}/bad.bi:3: error: expected a label (a name followed by \":\"), a \"Data\" line or a blank line, found \"PRINT \"hello\"\"")
if(status EQUAL 0 OR NOT found OR NOT stream STREQUAL "old")
  message(SEND_ERROR "bad file: status ${status}, messages '${messages}', stream '${stream}'")
endif()

# A wrong value count: a warning with both counts, and the stream all the same.
file(WRITE ${WORK}/short.bi "Data 2\r\nData 1\r\nData 255, 1, 2,3\r\n")
run_generator(${WORK}/short.bi ${WORK}/short.stream)
messages_hold("short.bi: warning: 6 values, but width 2 and height 1 call for 10")
if(NOT status EQUAL 0 OR NOT found OR NOT EXISTS ${WORK}/short.stream)
  message(SEND_ERROR "short file: status ${status}, messages '${messages}'")
endif()

# A missing input and an unwritable output.
run_generator(${WORK}/missing.bi ${WORK}/missing.stream)
messages_hold("missing.bi: error: cannot read the file")
if(status EQUAL 0 OR NOT found OR EXISTS ${WORK}/missing.stream)
  message(SEND_ERROR "missing file: status ${status}, messages '${messages}'")
endif()
# A folder opens like a file but cannot be read: an error, not an empty picture.
file(MAKE_DIRECTORY ${WORK}/folder.bi)
run_generator(${WORK}/folder.bi ${WORK}/folder.stream)
messages_hold("folder.bi: error: cannot read the file: Is a directory")
if(status EQUAL 0 OR NOT found OR EXISTS ${WORK}/folder.stream)
  message(SEND_ERROR "folder as input: status ${status}, messages '${messages}'")
endif()
run_generator(${WORK}/good.bi ${WORK}/no/such/folder/good.stream)
messages_hold("good.stream: error: cannot write the value stream")
if(status EQUAL 0 OR NOT found)
  message(SEND_ERROR "unwritable output: status ${status}, messages '${messages}'")
endif()

# Declared sizes: more pixels than the limit stop the build (a viewer of 23000 x 23000 would take
# 2 GB to show black); a size below 1 builds a viewer that shows nothing, with a warning.
file(WRITE ${WORK}/huge.bi "Data 23000\r\nData 23000\r\nData 255, 0, 0,0\r\nData 1,2\r\n")
run_generator(${WORK}/huge.bi ${WORK}/huge.stream)
messages_hold("huge.bi: error: width 23000 and height 23000 make 529000000 pixels, more than the limit of 100000000")
if(status EQUAL 0 OR NOT found OR EXISTS ${WORK}/huge.stream)
  message(SEND_ERROR "23000 x 23000: status ${status}, messages '${messages}'")
endif()
file(WRITE ${WORK}/negative.bi "Data -5\r\nData 3\r\n")
run_generator(${WORK}/negative.bi ${WORK}/negative.stream)
messages_hold("negative.bi: warning: width -5 and height 3 make no picture; the viewer will show none")
if(NOT status EQUAL 0 OR NOT found OR NOT EXISTS ${WORK}/negative.stream)
  message(SEND_ERROR "width -5: status ${status}, messages '${messages}'")
endif()

# The other forms and dialects give the unpacked form's values; a file of several pictures (a
# sprite sheet's tiles, here a numbered listing with a palette) warns that the first is shown.
file(WRITE ${WORK}/tiles.bi "999 REM t_0 1 x 1\r\n1000 DATA 1,1\r\n1010 DATA -1\r\n"
                            "1020 DATA 255,1,2,3\r\n1030 DATA 0\r\n1040 REM t_1 1 x 1\r\n"
                            "1050 DATA 1,1\r\n1060 DATA &H04050607\r\n")
run_generator(${WORK}/tiles.bi ${WORK}/tiles.stream)
file(READ ${WORK}/tiles.stream stream)
messages_hold("tiles.bi: warning: the file holds 2 pictures; the viewer shows the first")
if(NOT status EQUAL 0 OR NOT found OR NOT stream STREQUAL "1,1\n255,1,2,3\n1,1\n4,5,6,7\n")
  message(SEND_ERROR "tiles: status ${status}, messages '${messages}', stream '${stream}'")
endif()
