# cmake -DTEMPLATE=sw.js.in -DAPP=folder -DVERSION=V -P service-worker.cmake
# writes APP/sw.js: the template with the version and, for each file that the
# worker keeps, the SHA-256 of the file as built, so that the worker can take a
# release only as itself.
set(files "")
foreach(file index.html manifest.webmanifest icon-192.png icon-512.png)
  file(SHA256 ${APP}/${file} sum)
  string(APPEND files "${sep}'${file}': '${sum}'")
  set(sep ", ")
endforeach()
set(PROJECT_VERSION ${VERSION})
set(IONDRILL_FILES "{${files}}")
configure_file(${TEMPLATE} ${APP}/sw.js @ONLY)
