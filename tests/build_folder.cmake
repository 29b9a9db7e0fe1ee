# Tests keep their files in temporary folders: run with MODE=snapshot before the tests and
# MODE=compare after them, it names every file they added to or changed in the build folder
# (where the test programs run and where the program looks for its settings).
cmake_minimum_required(VERSION 3.16)
file(GLOB_RECURSE entries LIST_DIRECTORIES false "${DIR}/*")
set(state "")
foreach(entry IN LISTS entries)
  file(RELATIVE_PATH rel "${DIR}" "${entry}")
  # CTest's own records and the build's intermediate files are not the tests' doing, nor is the
  # list of installed files that cpack's install step leaves in the build tree.
  if(rel MATCHES "^Testing/|/CMakeFiles/|^CMakeFiles/|_autogen/|\\.ninja|^build_folder\\.state$|^install_manifest\\.txt$")
    continue()
  endif()
  file(TIMESTAMP "${entry}" stamp "%Y%m%d%H%M%S")
  list(APPEND state "${rel}@${stamp}")
endforeach()

if(MODE STREQUAL "snapshot")
  file(WRITE "${DIR}/build_folder.state" "${state}")
  return()
endif()

file(READ "${DIR}/build_folder.state" before)
set(left "")
foreach(item IN LISTS state)
  if(NOT item IN_LIST before)
    string(REGEX REPLACE "@[0-9]+$" "" name "${item}")
    list(APPEND left "${name}")
  endif()
endforeach()
if(left)
  list(JOIN left "\n  " shown)
  message(FATAL_ERROR "Tests wrote into the build folder:\n  ${shown}")
endif()
