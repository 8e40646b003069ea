# Run by cmake --install: writes each Python tool users run to PREFIX/bin as
# a console script, as pip does: it calls main() of the tool's module in the
# installed package, found through a path relative to the script (so that
# the prefix can be moved and need not be on python3's path).
#
# In: WORDREP_TOOLS (the tools' names), WORDREP_TOOL_MODULES (their modules
# in the package, in the same order), WORDREP_BINDIR, WORDREP_PYTHON_DIR
# (relative to the prefix), WORDREP_STAGING (a scratch folder in the build).

file(RELATIVE_PATH to_package "/prefix/${WORDREP_BINDIR}" "/prefix/${WORDREP_PYTHON_DIR}")
file(MAKE_DIRECTORY "${WORDREP_STAGING}")
list(LENGTH WORDREP_TOOLS count)
math(EXPR last "${count} - 1")
foreach(k RANGE ${last})
  list(GET WORDREP_TOOLS ${k} name)
  list(GET WORDREP_TOOL_MODULES ${k} module)
  file(WRITE "${WORDREP_STAGING}/${name}" "#!/usr/bin/python3
\"\"\"${name}: wordrep.${module}.main.\"\"\"

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), \"${to_package}\"))
from wordrep.${module} import main  # noqa: E402

sys.exit(main())
")
  file(INSTALL "${WORDREP_STAGING}/${name}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${WORDREP_BINDIR}"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
endforeach()
