# cmake -DPAGES=PAGE[;PAGE...] -P page_budget.cmake: fails if a page is over
# the 64 KiB that the README promises a learner's download stays under.
foreach(page IN LISTS PAGES)
  file(SIZE ${page} size)
  if(size GREATER 65536)
    message(FATAL_ERROR "${page} is ${size} bytes, more than 64 KiB")
  endif()
  message(STATUS "${page}: ${size} bytes")
endforeach()
