# cmake -DIN=FILE -DOUT=FILE [-DMANDOC=mandoc] -P windows-text.cmake
# Copies the text file IN to OUT with CRLF line breaks, for Notepad; given
# MANDOC, IN is a manual page and OUT gets it as plain ASCII text, which
# mandoc never hyphenates.
if(MANDOC)
  execute_process(COMMAND ${MANDOC} -Tascii ${IN} OUTPUT_VARIABLE text COMMAND_ERROR_IS_FATAL ANY)
  string(ASCII 8 backspace)
  string(REGEX REPLACE "[^\n]${backspace}" "" text "${text}")  # bold and underline
else()
  file(READ ${IN} text)
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUT} "${text}")
