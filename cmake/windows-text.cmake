# cmake -P windows-text.cmake IN OUT [GROFF]
# Copies the text file IN to OUT with CRLF line breaks; given GROFF, IN is a
# manual page and OUT gets it rendered as plain ASCII text.
set(in ${CMAKE_ARGV3})
set(out ${CMAKE_ARGV4})
if(CMAKE_ARGV5)
  execute_process(COMMAND ${CMAKE_ARGV5} -mandoc -Tascii -P-bcou ${in}
                  OUTPUT_VARIABLE text COMMAND_ERROR_IS_FATAL ANY)
else()
  file(READ ${in} text)
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${out} "${text}")
