# One flat folder for a learner who unzips it: the program, the manual as its
# readme and the licence, as text files with Windows line breaks.
find_program(MANDOC mandoc REQUIRED)
set(texts ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt)
add_custom_command(OUTPUT ${texts}
  COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_BINARY_DIR}/iondrill.6 -DOUT=${PROJECT_BINARY_DIR}/README.txt
          -DMANDOC=${MANDOC} -P ${PROJECT_SOURCE_DIR}/cmake/scripts/windows-text.cmake
  COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/LICENSE -DOUT=${PROJECT_BINARY_DIR}/LICENSE.txt
          -P ${PROJECT_SOURCE_DIR}/cmake/scripts/windows-text.cmake
  DEPENDS LICENSE ${PROJECT_BINARY_DIR}/iondrill.6 cmake/scripts/windows-text.cmake
  VERBATIM)
add_custom_target(windows_texts ALL DEPENDS ${texts})
install(TARGETS iondrill RUNTIME DESTINATION .)
install(FILES ${texts} DESTINATION .)
