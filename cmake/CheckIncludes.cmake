# Fails when one of the files named in LIST (one per line) has an #include whose target matches REGEX. WHAT
# says in the message what the files must not include. The build keeps its layers so: the core library
# includes no Qt header, and nothing outside the application folder includes the main window's files, which
# sit on top of every other part.
file(STRINGS "${LIST}" FILES)
set(offenders "")
foreach(f IN LISTS FILES)
  if(f STREQUAL "")
    continue()
  endif()
  file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${REGEX})")
  if(lines)
    list(APPEND offenders "${f}: ${lines}")
  endif()
endforeach()
if(offenders)
  string(REPLACE ";" "\n  " msg "${offenders}")
  message(FATAL_ERROR "${WHAT}:\n  ${msg}")
endif()
file(TOUCH "${STAMP}")
