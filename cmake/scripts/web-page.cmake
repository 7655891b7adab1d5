# cmake -DTEMPLATE=... -DRUNTIME=... -DCONSOLE=... -DVERSION=... -DOUT=...
#       "-DLICENCES=FILE;..." [-DAPP=app.js] -P web-page.cmake
# Makes the one self-contained page: TEMPLATE with the version, the licence
# texts, emscripten's generated RUNTIME and the page's CONSOLE script put in;
# given APP, the hosted app's index.html, with that script too and a policy
# that lets it load its manifest and service worker from its own folder.
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
set(app_js "")
if(APP)
  file(READ ${APP} app_js)
endif()
foreach(script runtime_js console_js app_js)
  if(${script} MATCHES "</script")
    message(FATAL_ERROR "${script} would end its <script> element early")
  endif()
endforeach()

# 'sha256-…' of TEXT, as a Content-Security-Policy names an inline element.
function(csp_hash text out)
  string(SHA256 hex "${text}")
  set(digits "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  set(b64 "")
  foreach(at RANGE 0 60 6)  # three bytes make four digits; the last two bytes three and "="
    string(SUBSTRING "${hex}" ${at} 6 group)
    string(LENGTH "${group}" n)
    math(EXPR bits "(0x${group}) << (24 - ${n} * 4)")
    foreach(shift 18 12 6 0)
      if(n EQUAL 4 AND shift EQUAL 0)
        string(APPEND b64 "=")
      else()
        math(EXPR digit "(${bits} >> ${shift}) & 63")
        string(SUBSTRING "${digits}" ${digit} 1 c)
        string(APPEND b64 "${c}")
      endif()
    endforeach()
  endforeach()
  set(${out} "'sha256-${b64}'" PARENT_SCOPE)
endfunction()

# The scripts go in last, so that nothing in them is taken for a placeholder.
string(REPLACE "@PROJECT_VERSION@" "${VERSION}" page "${page}")
string(REPLACE "@IONDRILL_LICENCES@" "${licences}" page "${page}")
string(REPLACE "@IONDRILL_CONSOLE@" "${console_js}" page "${page}")
string(REPLACE "@IONDRILL_RUNTIME@" "${runtime_js}" page "${page}")
if(APP)
  string(REPLACE "@IONDRILL_APP@" "<script>\n${app_js}</script>\n" page "${page}")
else()
  string(REPLACE "@IONDRILL_APP@" "" page "${page}")
endif()

# Nothing runs but the page's own script and style, each named by its hash;
# WebAssembly is compiled from the page's own bytes, which emscripten's
# loader fetches from their data: URL.
# No script holds "</script" (checked above), so each element ends at the
# first closing tag after it.
foreach(tag script style)
  set(${tag}s "")
  set(rest "${page}")
  string(FIND "${rest}" "<${tag}>" at)
  while(at GREATER -1)
    string(LENGTH "<${tag}>" skip)
    math(EXPR at "${at} + ${skip}")
    string(SUBSTRING "${rest}" ${at} -1 rest)
    string(FIND "${rest}" "</${tag}>" end)
    string(SUBSTRING "${rest}" 0 ${end} text)
    csp_hash("${text}" hash)
    string(APPEND ${tag}s " ${hash}")
    string(FIND "${rest}" "<${tag}>" at)
  endwhile()
endforeach()
set(images "data:")
if(APP)
  set(images "data: 'self'")  # the icons, which the browser loads as the page's images
endif()
set(policy "default-src 'none'; script-src${scripts} 'wasm-unsafe-eval'; style-src${styles}; img-src ${images}; \
connect-src data:; base-uri 'none'; form-action 'none'")
if(APP)
  string(APPEND policy "; manifest-src 'self'; worker-src 'self'")
endif()
string(REPLACE "@IONDRILL_CSP@" "${policy}" page "${page}")
file(WRITE ${OUT} "${page}")
