# Installs the build into a scratch prefix and checks that the command, its
# upper-case name and the manual page arrive, and that the installed
# command runs. Run by ctest as:
#   cmake -DBUILD_DIR=<build> -DBINDIR=bin -DMANDIR=share/man -P <this file>

set(prefix "${BUILD_DIR}/install-test")
file(REMOVE_RECURSE "${prefix}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}"
                        --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(path "${BINDIR}/swu" "${BINDIR}/SWU"
             "${MANDIR}/man1/swu.1")
  if(NOT EXISTS "${prefix}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
if(NOT IS_SYMLINK "${prefix}/${BINDIR}/SWU")
  message(FATAL_ERROR "SWU is not a link to swu")
endif()

execute_process(COMMAND "${prefix}/${BINDIR}/SWU" --version
                OUTPUT_VARIABLE banner RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT banner MATCHES "^SW Multi-file Utility")
  message(FATAL_ERROR "the installed command does not run: ${result} ${banner}")
endif()
file(REMOVE_RECURSE "${prefix}")
