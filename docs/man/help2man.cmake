# Makes one man page with help2man from COMMAND's --help and --version.
# In: HELP2MAN, COMMAND, PAGE, DESCRIPTION, INCLUDE (sections every page
# gets), SYNOPSIS (synopsis.py), STRICT.  A command that does not
# answer both with status 0 and some text on standard output gets no page
# (help2man itself would make one of the error message): a warning, or with
# STRICT an error.

file(REMOVE "${PAGE}")
foreach(option --help --version)
  execute_process(COMMAND "${COMMAND}" ${option} RESULT_VARIABLE status
                  OUTPUT_VARIABLE out ERROR_VARIABLE error)
  string(STRIP "${error}" error)
  if(NOT status EQUAL 0 OR out STREQUAL "")
    set(problem "'${option}' gives status ${status}: ${error}")
    break()
  endif()
endforeach()
if(NOT problem)
  # help2man makes a SYNOPSIS of "Usage:" lines; argparse writes "usage:" and
  # wraps long ones, so the command runs through synopsis.py, which rewrites them.
  get_filename_component(name "${COMMAND}" NAME)
  get_filename_component(folder "${PAGE}" DIRECTORY)
  set(wrapper "${folder}/help/${name}")
  file(WRITE "${wrapper}.tmp"
       "#!/bin/sh\nexec /usr/bin/python3 '${SYNOPSIS}' '${COMMAND}' \"$@\"\n")
  file(COPY "${wrapper}.tmp" DESTINATION "${folder}/help/copy"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
  file(RENAME "${folder}/help/copy/${name}.tmp" "${wrapper}")
  file(REMOVE "${wrapper}.tmp")
  execute_process(
    COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1 "--name=${DESCRIPTION}"
            "--include=${INCLUDE}" "--output=${PAGE}.tmp" "${wrapper}"
    RESULT_VARIABLE status ERROR_VARIABLE error OUTPUT_QUIET)
  if(status EQUAL 0)
    file(RENAME "${PAGE}.tmp" "${PAGE}")
    return()
  endif()
  file(REMOVE "${PAGE}.tmp")
  string(STRIP "${error}" problem)
endif()
set(message "no man page from ${COMMAND}: ${problem}")
if(STRICT)
  message(FATAL_ERROR "${message}")
endif()
message(WARNING "${message}")
