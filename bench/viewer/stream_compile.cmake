# Times compiling the viewer's value stream into an object file, as the build does it (an
# assembler file with .incbin), against the same bytes written as a C++ array initializer.
# Arguments: -DASSEMBLY -DSTREAM -DASM_COMPILER -DCXX_COMPILER -DWORK.
file(MAKE_DIRECTORY ${WORK})

function(time_compile label runs)
  set(seconds "")
  foreach(run RANGE 1 ${runs})
    string(TIMESTAMP start "%s%f")
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
    string(TIMESTAMP stop "%s%f")
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${label}: compiling failed (${status})")
    endif()
    math(EXPR micro "${stop} - ${start}")
    list(APPEND seconds ${micro})
  endforeach()
  list(SORT seconds COMPARE NATURAL)
  list(LENGTH seconds count)
  math(EXPR middle "${count} / 2")
  list(GET seconds ${middle} median)
  list(GET seconds 0 best)
  message(STATUS "${label}: median ${median} us, best ${best} us over ${runs} runs")
endfunction()

file(SIZE ${STREAM} bytes)
message(STATUS "stream: ${bytes} bytes")
time_compile(".incbin assembler file" 11 ${ASM_COMPILER} -c ${ASSEMBLY} -o ${WORK}/incbin.o)

# The same bytes as a C++ array, for comparison.
file(READ ${STREAM} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," array "${hex}")
file(WRITE ${WORK}/array.cpp
     "extern const unsigned char viewer_stream_array[] = {${array}};\n")
time_compile("C++ array, -O2" 3 ${CXX_COMPILER} -O2 -c ${WORK}/array.cpp -o ${WORK}/array.o)
