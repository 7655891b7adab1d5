# `cpack` in a build folder makes the archive for people who do not build:
# iondrill-VERSION-SYSTEM.tar.gz, or a .zip for Windows. The presets name the
# system (linux-armv6, linux-arm64), so that no two archives share a name.
if(NOT CPACK_SYSTEM_NAME)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" CPACK_SYSTEM_NAME)
endif()
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ)
endif()
set(CPACK_PACKAGE_VENDOR "The iondrill authors")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)
