# The layers hold: from the connection layer's include directories a header of its own layer
# and one below it are found, and a header of the window's layer is not.
#   cmake -DCXX=<compiler> -DLAYERS=<build>/layers -DWORK=<dir> -P layers.cmake
file(MAKE_DIRECTORY ${WORK})
set(includes -I${LAYERS}/connection -I${LAYERS}/protocol -I${LAYERS}/serial)
set(layer connection)
function(probe header expect_found)
  file(WRITE ${WORK}/probe.cpp "#include \"${header}\"\n")
  execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only ${includes} ${WORK}/probe.cpp
                  RESULT_VARIABLE status ERROR_VARIABLE error)
  if(expect_found AND NOT status EQUAL 0)
    message(FATAL_ERROR "${header} should be seen from the ${layer} layer:\n${error}")
  endif()
  if(NOT expect_found AND (status EQUAL 0 OR NOT error MATCHES "${header}"))
    message(FATAL_ERROR "${header} must not be seen from the ${layer} layer:\n${error}")
  endif()
endfunction()
probe(connection/texts.h TRUE)
probe(protocol/DetectorState.h TRUE)
probe(panel/readouts.h FALSE)
probe(trend/texts.h FALSE)
probe(journal/texts.h FALSE)
# The journal sees the connection layer and nothing of the window's.
set(includes -I${LAYERS}/journal ${includes})
set(layer journal)
probe(journal/texts.h TRUE)
probe(connection/texts.h TRUE)
probe(trend/texts.h FALSE)
message(STATUS "an include from the connection layer into the widgets is refused")
