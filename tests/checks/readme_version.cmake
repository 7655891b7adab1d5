# cmake -DREADME=README.md -DVERSION=V -P readme_version.cmake: every file
# name the README gives (iondrill-V..., iondrill_V_...) names this version.
file(READ ${README} text)
string(REGEX MATCHALL "iondrill[-_][0-9]+\\.[0-9]+\\.[0-9]+" names "${text}")
if(NOT names)
  message(FATAL_ERROR "${README} names no file of a release")
endif()
foreach(name IN LISTS names)
  string(SUBSTRING "${name}" 9 -1 named)
  if(NOT named STREQUAL VERSION)
    message(FATAL_ERROR "${README} names ${name}, but this is version ${VERSION}")
  endif()
endforeach()
