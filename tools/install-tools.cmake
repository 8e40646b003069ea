# Run by cmake --install: copies each Python tool to PREFIX/bin with its
# package path pointed from the checkout's tools/ to the installed package
# (as a path relative to the script, so that the prefix can be moved).
#
# In: WORDREP_TOOLS (source paths), WORDREP_BINDIR, WORDREP_PYTHON_DIR
# (relative to the prefix), WORDREP_STAGING (a scratch folder in the build).

set(checkout_line "sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))")
file(RELATIVE_PATH to_package "/prefix/${WORDREP_BINDIR}" "/prefix/${WORDREP_PYTHON_DIR}")
set(installed_line
    "sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), \"${to_package}\"))")
file(MAKE_DIRECTORY "${WORDREP_STAGING}")
foreach(source ${WORDREP_TOOLS})
  get_filename_component(name "${source}" NAME)
  file(READ "${source}" text)
  string(FIND "${text}" "${checkout_line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${source}: no line '${checkout_line}' to point at the installed package")
  endif()
  string(REPLACE "${checkout_line}" "${installed_line}" text "${text}")
  file(WRITE "${WORDREP_STAGING}/${name}" "${text}")
  file(INSTALL "${WORDREP_STAGING}/${name}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${WORDREP_BINDIR}"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
endforeach()
