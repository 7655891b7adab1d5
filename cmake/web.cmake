# One web page that holds everything: the drill, its console and the
# licences. The program is built as a WASI command (iondrill.wasm), made
# JavaScript by wasm2js (iondrill.wasm.mjs), which any browser runs, those
# that refuse WebAssembly under the page's policy or lack it included; the
# page's own small loader, web/wasi.js, runs it: emscripten's runtime would
# be most of what a slow phone downloads. A read of standard input
# sleeps through Asyncify until the learner sends a line; Asyncify
# instruments only the functions on the way from _start to that read
# (web/asyncify-only.json, by wildcard where a name would restate the code).
# A function missing from the list stops the first read, which the page's
# tests see; a name that matches nothing fails the link. Without exceptions
# and type information the program behaves the same here (a failed
# allocation aborts either way) and is smaller.
find_program(WASM_OPT wasm-opt REQUIRED)
find_program(WASM2JS wasm2js REQUIRED)
find_program(TERSER terser REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(asyncify_only ${PROJECT_SOURCE_DIR}/web/asyncify-only.json)
set(wasm_flags -Oz -flto -fno-exceptions -fno-rtti)
target_compile_options(ions PRIVATE ${wasm_flags})
target_compile_options(iondrill PRIVATE ${wasm_flags})
set_target_properties(iondrill PROPERTIES SUFFIX .wasm)
target_link_options(iondrill PRIVATE ${wasm_flags} -sSTANDALONE_WASM -sMALLOC=emmalloc -sASYNCIFY
  -sASYNCIFY_ONLY=@${asyncify_only} "-sASYNCIFY_IMPORTS=['wasi_snapshot_preview1.fd_read']")
set_property(TARGET iondrill APPEND PROPERTY LINK_DEPENDS ${asyncify_only})
set_property(TARGET iondrill PROPERTY CXX_LINKER_LAUNCHER ${PROJECT_SOURCE_DIR}/cmake/scripts/link-strict.sh)
# A 64-bit argument of an import goes as two 32-bit halves, so that no
# browser needs BigInt to call it; and no instruction newer than the first
# WebAssembly comes in, as emscripten's own build leaves none.
add_custom_command(TARGET iondrill POST_BUILD
  COMMAND ${WASM_OPT} --mvp-features --legalize-js-interface -Oz $<TARGET_FILE:iondrill>
          -o $<TARGET_FILE:iondrill> VERBATIM)
add_custom_command(OUTPUT iondrill.wasm.mjs
  COMMAND ${WASM2JS} -Oz $<TARGET_FILE:iondrill> -o ${PROJECT_BINARY_DIR}/iondrill.wasm.mjs
  DEPENDS iondrill VERBATIM)

# The page alone (iondrill.html), and the hosted app (app/): the same page
# as index.html with the script that installs it, its manifest, its service
# worker, which knows each file's hash, and its icons, drawn from one SVG.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(page_parts web/page.html ${PROJECT_BINARY_DIR}/iondrill.wasm.mjs web/wasi.js web/console.js LICENSE
  web/NOTICE cmake/scripts/web-page.py)
set(make_page ${Python3_EXECUTABLE} cmake/scripts/web-page.py --template web/page.html
  --drill ${PROJECT_BINARY_DIR}/iondrill.wasm.mjs --terser ${TERSER} --loader web/wasi.js --console web/console.js
  --version ${PROJECT_VERSION} --licence LICENSE web/NOTICE)
set(app ${PROJECT_BINARY_DIR}/app)
add_custom_command(OUTPUT iondrill.html
  COMMAND ${make_page} --out ${PROJECT_BINARY_DIR}/iondrill.html
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} DEPENDS ${page_parts} VERBATIM)
add_custom_command(OUTPUT ${app}/index.html
  COMMAND ${make_page} --app web/app/app.js --out ${app}/index.html
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} DEPENDS ${page_parts} web/app/app.js VERBATIM)
set(icons "")
foreach(size 192 512)
  add_custom_command(OUTPUT ${app}/icon-${size}.png
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${app}/icon-${size}.png web/app/icon.svg
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} DEPENDS web/app/icon.svg VERBATIM)
  list(APPEND icons ${app}/icon-${size}.png)
endforeach()
configure_file(web/app/manifest.webmanifest ${app}/manifest.webmanifest COPYONLY)
add_custom_command(OUTPUT ${app}/sw.js
  COMMAND ${CMAKE_COMMAND} -DTEMPLATE=web/app/sw.js.in -DAPP=${app} -DVERSION=${PROJECT_VERSION}
          -P cmake/scripts/service-worker.cmake
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  DEPENDS web/app/sw.js.in cmake/scripts/service-worker.cmake ${app}/index.html ${icons}
          ${app}/manifest.webmanifest VERBATIM)
add_custom_target(web_page ALL DEPENDS iondrill.html ${app}/index.html ${icons} ${app}/sw.js)
