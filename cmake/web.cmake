# One web page that holds everything: the drill in WebAssembly, its console
# and the licences. main() runs through an async ccall, so that a read can
# sleep until the learner sends a line, and once for each module instance.
set(stdio ${PROJECT_SOURCE_DIR}/web/stdio.js)
target_link_options(iondrill PRIVATE -Os --js-library=${stdio} -sASYNCIFY
  "-sASYNCIFY_IMPORTS=['wasi_snapshot_preview1.fd_read']" -sFILESYSTEM=0 -sEXIT_RUNTIME=1
  -sMODULARIZE=1 -sEXPORT_NAME=createIondrill -sINVOKE_RUN=0 -sSINGLE_FILE=1 -sENVIRONMENT=web
  "-sEXPORTED_RUNTIME_METHODS=['ccall']")
set_property(TARGET iondrill APPEND PROPERTY LINK_DEPENDS ${stdio})

set(page_parts web/page.html $<TARGET_FILE:iondrill> web/console.js LICENSE web/NOTICE)
add_custom_command(OUTPUT iondrill.html
  COMMAND ${CMAKE_COMMAND} -DTEMPLATE=web/page.html -DRUNTIME=$<TARGET_FILE:iondrill>
          -DCONSOLE=web/console.js -DVERSION=${PROJECT_VERSION} -DLICENCES=LICENSE$<SEMICOLON>web/NOTICE
          -DOUT=${PROJECT_BINARY_DIR}/iondrill.html -P ${PROJECT_SOURCE_DIR}/cmake/scripts/web-page.cmake
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  DEPENDS ${page_parts} cmake/scripts/web-page.cmake
  VERBATIM)
add_custom_target(web_page ALL DEPENDS iondrill.html)
