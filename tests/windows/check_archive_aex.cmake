# Takes one .aex out of the Windows archive and reads it as the host does:
#   cmake -DARCHIVE=ZIP -DAEX=NAME -DFLAVOUR=64|32 -DCHECK=tilesweep_aexcheck -DDIR=SCRATCH -P check_archive_aex.cmake
# An archive that was not built (scripts/build-windows) is reported as skipped.
if(NOT EXISTS "${ARCHIVE}")
  message("skipped: ${ARCHIVE} is not built")
  return()
endif()
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${ARCHIVE}" WORKING_DIRECTORY "${DIR}" RESULT_VARIABLE failed)
if(failed OR NOT EXISTS "${DIR}/${AEX}")
  message(FATAL_ERROR "${ARCHIVE} does not give ${AEX}")
endif()
execute_process(COMMAND "${CHECK}" ${FLAVOUR} "${DIR}/${AEX}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${AEX} from ${ARCHIVE} is not what the host reads")
endif()
