# cmake -P windows-text.cmake IN OUT [MANDOC]
# Copies the text file IN to OUT with CRLF line breaks, for Notepad; given
# MANDOC, IN is a manual page and OUT gets it as plain ASCII text, which
# mandoc never hyphenates.
set(in ${CMAKE_ARGV3})
set(out ${CMAKE_ARGV4})
if(CMAKE_ARGV5)
  execute_process(COMMAND ${CMAKE_ARGV5} -Tascii ${in} OUTPUT_VARIABLE text COMMAND_ERROR_IS_FATAL ANY)
  string(ASCII 8 backspace)
  string(REGEX REPLACE "[^\n]${backspace}" "" text "${text}")  # bold and underline
else()
  file(READ ${in} text)
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${out} "${text}")
