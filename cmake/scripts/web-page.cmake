# cmake -DTEMPLATE=... -DRUNTIME=... -DCONSOLE=... -DVERSION=... -DOUT=...
#       "-DLICENCES=FILE;..." -P web-page.cmake
# Makes the one self-contained page: TEMPLATE with the version, the licence
# texts, emscripten's generated RUNTIME and the page's CONSOLE script put in.
set(licences "")
foreach(file IN LISTS LICENCES)
  file(READ ${file} text)
  string(APPEND licences "${text}\n")
endforeach()
string(REPLACE "&" "&amp;" licences "${licences}")
string(REPLACE "<" "&lt;" licences "${licences}")
string(REPLACE ">" "&gt;" licences "${licences}")
file(READ ${TEMPLATE} page)
file(READ ${RUNTIME} runtime_js)
file(READ ${CONSOLE} console_js)
foreach(script runtime_js console_js)
  if(${script} MATCHES "</script")
    message(FATAL_ERROR "${script} would end its <script> element early")
  endif()
endforeach()
# The scripts go in last, so that nothing in them is taken for a placeholder.
string(REPLACE "@PROJECT_VERSION@" "${VERSION}" page "${page}")
string(REPLACE "@IONDRILL_LICENCES@" "${licences}" page "${page}")
string(REPLACE "@IONDRILL_CONSOLE@" "${console_js}" page "${page}")
string(REPLACE "@IONDRILL_RUNTIME@" "${runtime_js}" page "${page}")
file(WRITE ${OUT} "${page}")
