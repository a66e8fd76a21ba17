# Run at install time: refreshes the desktop's list of which programs open
# which file types, so that "Open with Vorantel" shows at once. Skipped for
# staged installs (DESTDIR), where the packaging does it, and when the tool
# is missing; a failure is not an install failure.
if(DEFINED ENV{DESTDIR} AND NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()
find_program(VORANTEL_UPDATE_DESKTOP_DB update-desktop-database)
if(VORANTEL_UPDATE_DESKTOP_DB)
  set(_dir "${CMAKE_INSTALL_PREFIX}/${VORANTEL_APPLICATIONS_DIR}")
  execute_process(COMMAND ${VORANTEL_UPDATE_DESKTOP_DB} -q "${_dir}" RESULT_VARIABLE _result)
endif()
