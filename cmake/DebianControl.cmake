# Run by cpack before it builds the packages (CPACK_PRE_BUILD_SCRIPTS), when
# the files to package are staged.
#
# The runtime package depends on what the driver itself links and recommends what
# its modules link beyond that, since the driver loads a module only when a
# window or a web server is asked for, and an absent or unloadable module
# means no window or no web server. dpkg-shlibdeps keeps each library in the
# strongest field only.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(RV_SHLIBDEPS dpkg-shlibdeps)
if(NOT RV_SHLIBDEPS)
  message(FATAL_ERROR "dpkg-shlibdeps (Debian dpkg-dev) is needed for the runtime package's dependencies")
endif()
file(GLOB_RECURSE driver "${CPACK_TEMPORARY_DIRECTORY}/runtime/*/librv_zr6180.so.${CPACK_RV_SOVERSION}.*")
file(GLOB_RECURSE modules "${CPACK_TEMPORARY_DIRECTORY}/runtime/*/librv_zr6180_*.so")
if(NOT driver)
  message(FATAL_ERROR "the driver is not in the runtime package's files (${CPACK_TEMPORARY_DIRECTORY}/runtime)")
endif()
set(work "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(MAKE_DIRECTORY "${work}/debian")
file(TOUCH "${work}/debian/control")
execute_process(COMMAND "${RV_SHLIBDEPS}" -O -e${driver} -dRecommends ${modules}
  WORKING_DIRECTORY "${work}" OUTPUT_VARIABLE found ERROR_VARIABLE problems RESULT_VARIABLE failed)
file(REMOVE_RECURSE "${work}")
if(failed)
  message(FATAL_ERROR "dpkg-shlibdeps failed: ${problems}")
endif()
string(REGEX MATCH "shlibs:Depends=([^\n]*)" line "${found}")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
string(REGEX MATCH "shlibs:Recommends=([^\n]*)" line "${found}")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "${CMAKE_MATCH_1}")
message(STATUS "runtime package: Depends: ${CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS}")
message(STATUS "runtime package: Recommends: ${CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS}")

# Each component's description opens with its own synopsis; CPack would put
# the project's summary before it unless the summary is its default.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CPACK_DEFAULT_PACKAGE_DESCRIPTION_SUMMARY}")
