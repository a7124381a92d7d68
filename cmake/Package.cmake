# Debian packages of the install components (cmake/Install.cmake), made by
# `cpack` in the build tree (scripts/package makes a tree for /usr first):
#   runtime -> librv-zr6180-3     the library and its two modules
#   dev     -> librv-zr6180-dev   header, .so link, pkg-config file, CMake package
#   tools   -> rv-zr6180-tools    zr6180-host, zr6180-sim, man pages, examples, the
#                                 Wireshark dissector, documentation
# Dependencies: the tools' from dpkg-shlibdeps; the runtime package depends
# only on what the driver itself links and recommends the libraries of the
# modules (GTK3, libmicrohttpd), which the driver loads only on demand
# (cmake/DebianControl.cmake).
set(RV_ZR6180_MAINTAINER "Rv_zr6180 maintainers <rv-zr6180@example.org>"
  CACHE STRING "Maintainer field of the Debian packages")
set(RV_DEBIAN_RELEASE 1)
set(RV_DEBIAN_VERSION ${PROJECT_VERSION}-${RV_DEBIAN_RELEASE})
set(RV_PACKAGES runtime librv-zr6180-${RV_SOVERSION} dev librv-zr6180-dev tools rv-zr6180-tools)

# Each package's copyright file and Debian changelog, in its own doc folder;
# only packages get them (EXCLUDE_FROM_ALL: a plain `cmake --install` leaves
# them out, a component install such as CPack's takes them).
string(TIMESTAMP RV_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(component "")
foreach(item IN LISTS RV_PACKAGES)
  if(NOT component)
    set(component ${item})
    continue()
  endif()
  set(RV_PACKAGE ${item})
  set(dir ${CMAKE_BINARY_DIR}/debian/${RV_PACKAGE})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${dir}/changelog.Debian @ONLY)
  set(failed 1)
  if(RV_GZIP)
    execute_process(COMMAND ${RV_GZIP} -9 -n -f ${dir}/changelog.Debian RESULT_VARIABLE failed)
  endif()
  if(failed EQUAL 0)
    install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${dir}/changelog.Debian.gz
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${RV_PACKAGE} COMPONENT ${component} EXCLUDE_FROM_ALL)
  endif()
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${RV_PACKAGE})
  set(component "")
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rv-zr6180)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${RV_DEBIAN_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RV_ZR6180_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev tools)
# Installed with DESTDIR, so that the install rules see the package's prefix,
# not the staging folder: the pkg-config file's run path is decided by it.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
# The driver's shlibs file (only the runtime package has a library with a
# SONAME), and the trigger that updates the loader's cache.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SHLIBDEPS ON)
# dev and tools need the very same driver: "= version" from the component dependency.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS python3)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebianControl.cmake)
set(CPACK_RV_SOVERSION ${RV_SOVERSION})

set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "driver for Zarvelin I/O modules behind ZR-6180 gateways
Rv_zr6180 lets a SCADA/HMI runtime read and write the numbered channels of
Zarvelin remote I/O modules, which sit on serial buses behind ZR-6180
gateways reached over UDP. The host loads librv_zr6180.so.${RV_SOVERSION} with
dlopen and calls its 18 exported C functions.
This package holds the library and its two modules: the GTK3 diagnostic
window and the diagnostic web server, each loaded only when it is asked
for. Their libraries are recommended, not required: without them the driver
has no window or no web server.")
set(CPACK_COMPONENT_DEV_DESCRIPTION "driver for Zarvelin I/O modules - development files
Rv_zr6180 lets a SCADA/HMI runtime read and write the numbered channels of
Zarvelin remote I/O modules behind ZR-6180 gateways.
This package holds the C header rv_zr6180.h, the link for linking the
driver directly, a pkg-config file and a CMake package
(find_package(rv_zr6180)).")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "driver for Zarvelin I/O modules - command-line tools
Rv_zr6180 lets a SCADA/HMI runtime read and write the numbered channels of
Zarvelin remote I/O modules behind ZR-6180 gateways.
This package holds zr6180-host, which checks a parameter file and reads and
writes channels through the driver, zr6180-sim, which plays gateways with
their module buses, their man pages, the example parameter file, plant and
hosts in C and Python, a Wireshark dissector of the gateway packets, and the
documentation.")

include(CPack)
