# One web page that holds everything: the drill in WebAssembly, its console
# and the licences. main() runs through an async ccall, so that a read can
# sleep until the learner sends a line, and once for each module instance.
# Asyncify instruments only the functions on the way from main() to that read
# (web/asyncify-only.json): the page stays small. A function missing from the
# list stops the first read, which the page's tests see.
set(stdio ${PROJECT_SOURCE_DIR}/web/stdio.js)
set(asyncify_only ${PROJECT_SOURCE_DIR}/web/asyncify-only.json)
target_link_options(iondrill PRIVATE -Oz -sMALLOC=emmalloc --js-library=${stdio} -sASYNCIFY
  -sASYNCIFY_ONLY=@${asyncify_only} "-sASYNCIFY_IMPORTS=['wasi_snapshot_preview1.fd_read']"
  -sFILESYSTEM=0 -sEXIT_RUNTIME=1 -sMODULARIZE=1 -sEXPORT_NAME=createIondrill -sINVOKE_RUN=0
  -sSINGLE_FILE=1 -sENVIRONMENT=web "-sINCOMING_MODULE_JS_API=['onExit']" -sDYNAMIC_EXECUTION=0 -sTEXTDECODER=2 -sSUPPORT_ERRNO=0 -sSUPPORT_LONGJMP=0 "-sEXPORTED_RUNTIME_METHODS=['ccall']")
set_property(TARGET iondrill APPEND PROPERTY LINK_DEPENDS ${stdio} ${asyncify_only})

# The page alone (iondrill.html), and the hosted app (app/): the same page
# as index.html with the script that installs it, its manifest, its service
# worker and its icons, drawn from one SVG.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(page_parts web/page.html $<TARGET_FILE:iondrill> web/console.js LICENSE web/NOTICE
  cmake/scripts/web-page.cmake)
set(make_page ${CMAKE_COMMAND} -DTEMPLATE=web/page.html -DRUNTIME=$<TARGET_FILE:iondrill>
  -DCONSOLE=web/console.js -DVERSION=${PROJECT_VERSION} -DLICENCES=LICENSE$<SEMICOLON>web/NOTICE)
set(app ${PROJECT_BINARY_DIR}/app)
add_custom_command(OUTPUT iondrill.html
  COMMAND ${make_page} -DOUT=${PROJECT_BINARY_DIR}/iondrill.html -P cmake/scripts/web-page.cmake
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} DEPENDS ${page_parts} VERBATIM)
add_custom_command(OUTPUT ${app}/index.html
  COMMAND ${make_page} -DAPP=web/app/app.js -DOUT=${app}/index.html -P cmake/scripts/web-page.cmake
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} DEPENDS ${page_parts} web/app/app.js VERBATIM)
set(icons "")
foreach(size 192 512)
  add_custom_command(OUTPUT ${app}/icon-${size}.png
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${app}/icon-${size}.png web/app/icon.svg
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} DEPENDS web/app/icon.svg VERBATIM)
  list(APPEND icons ${app}/icon-${size}.png)
endforeach()
configure_file(web/app/sw.js.in ${app}/sw.js @ONLY)
configure_file(web/app/manifest.webmanifest ${app}/manifest.webmanifest COPYONLY)
add_custom_target(web_page ALL DEPENDS iondrill.html ${app}/index.html ${icons})
