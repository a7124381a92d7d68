# Installation: the library with its SONAME links and its modules, the
# public header, a pkg-config file and a CMake package config
# (find_package(rv_zr6180)), the tools with their man pages, the examples and
# the documentation. Every rule belongs to a component, and each component
# becomes one Debian package (cmake/Package.cmake):
#   runtime  the library and its two modules
#   dev      the header, the .so link, the pkg-config file, the CMake package
#   tools    zr6180-host, zr6180-sim, man pages, examples, the Wireshark
#            dissector, documentation, and whatever else names no component
include(CMakePackageConfigHelpers)

install(TARGETS rv_zr6180 EXPORT rv_zr6180Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/rv_zr6180.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
# The window and web modules in a folder of their own beside the driver,
# where the driver looks for them (platform/Module.h): they are no libraries
# for programs to link, so they stay out of the loader's directories.
foreach(module IN ITEMS rv_zr6180_gtk rv_zr6180_web)
  if(TARGET ${module})
    install(TARGETS ${module} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/rv_zr6180 COMPONENT runtime)
  endif()
endforeach()

install(EXPORT rv_zr6180Targets NAMESPACE rv_zr6180:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/rv_zr6180
  COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/rv_zr6180Config.cmake.in
  ${CMAKE_BINARY_DIR}/rv_zr6180Config.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/rv_zr6180)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/rv_zr6180ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/rv_zr6180Config.cmake ${CMAKE_BINARY_DIR}/rv_zr6180ConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/rv_zr6180 COMPONENT dev)

# The pkg-config file. Its prefix is relative to the file itself, right for
# any --prefix and DESTDIR. A host linked through it runs without
# LD_LIBRARY_PATH: outside the directories that the loader searches anyway
# its Libs carry the library's directory as run path. Which of the two files
# is installed is decided at install time, when the prefix is known.
file(RELATIVE_PATH RV_PC_TO_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
string(REGEX REPLACE "/$" "" RV_PC_TO_PREFIX "${RV_PC_TO_PREFIX}")
set(RV_PC_RPATH "-Wl,-rpath,\${libdir} ")
configure_file(${PROJECT_SOURCE_DIR}/cmake/rv_zr6180.pc.in ${CMAKE_BINARY_DIR}/pkgconfig/rpath/rv_zr6180.pc @ONLY)
set(RV_PC_RPATH "")
configure_file(${PROJECT_SOURCE_DIR}/cmake/rv_zr6180.pc.in ${CMAKE_BINARY_DIR}/pkgconfig/plain/rv_zr6180.pc @ONLY)
set(RV_LOADER_DIRS ${CMAKE_PLATFORM_IMPLICIT_LINK_DIRECTORIES})
if(CMAKE_LIBRARY_ARCHITECTURE)
  list(APPEND RV_LOADER_DIRS /lib/${CMAKE_LIBRARY_ARCHITECTURE} /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
endif()
install(CODE "
  get_filename_component(libdir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}\" ABSOLUTE)
  set(loader_dirs \"${RV_LOADER_DIRS}\")
  list(FIND loader_dirs \"\${libdir}\" searched)
  set(variant plain)
  if(searched EQUAL -1)
    set(variant rpath)
  endif()
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\" TYPE FILE
    FILES \"${CMAKE_BINARY_DIR}/pkgconfig/\${variant}/rv_zr6180.pc\")" COMPONENT dev)

set(RV_EXAMPLES_DIR ${CMAKE_INSTALL_DATADIR}/rv_zr6180/examples)
foreach(f zr6180.ini rostlina.txt host.c rv_zr6180.rules.yml)
  if(EXISTS ${PROJECT_SOURCE_DIR}/examples/${f})
    install(FILES ${PROJECT_SOURCE_DIR}/examples/${f} DESTINATION ${RV_EXAMPLES_DIR} COMPONENT tools)
  endif()
endforeach()
if(EXISTS ${PROJECT_SOURCE_DIR}/examples/host.py)
  install(PROGRAMS ${PROJECT_SOURCE_DIR}/examples/host.py DESTINATION ${RV_EXAMPLES_DIR} COMPONENT tools)
endif()

# The documentation keeps the source tree's layout, so that its relative
# links (docs/..., tools/sim/README.md, examples/...) hold where it is installed.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT tools)
install(FILES
  ${PROJECT_SOURCE_DIR}/docs/parametricky-soubor.md
  ${PROJECT_SOURCE_DIR}/docs/status-codes.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs COMPONENT tools)
if(EXISTS ${PROJECT_SOURCE_DIR}/tools/sim/README.md)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/sim/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}/tools/sim COMPONENT tools)
endif()
file(RELATIVE_PATH RV_DOC_TO_EXAMPLES /p/${CMAKE_INSTALL_DOCDIR} /p/${RV_EXAMPLES_DIR})
install(CODE "
  set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}/examples\")
  message(STATUS \"Installing: \${link} -> ${RV_DOC_TO_EXAMPLES}\")
  file(CREATE_LINK \"${RV_DOC_TO_EXAMPLES}\" \"\${link}\" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${link}\")" COMPONENT tools)

# The man pages, compressed as man reads them and as Debian ships them
# (-n: no name or time stamp inside, so that a rebuild gives the same bytes).
find_program(RV_GZIP gzip)
foreach(page zr6180-host.1 zr6180-sim.1)
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${page})
  if(NOT EXISTS ${source})
    continue()
  endif()
  if(RV_GZIP)
    set(packed ${CMAKE_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${packed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND sh -c "\"$0\" -9 -n -c \"$1\" > \"$2\"" ${RV_GZIP} ${source} ${packed}
      DEPENDS ${source} VERBATIM)
    list(APPEND RV_MAN_PAGES ${packed})
  else()
    list(APPEND RV_MAN_PAGES ${source})
  endif()
endforeach()
if(RV_MAN_PAGES)
  add_custom_target(rv_man_pages ALL DEPENDS ${RV_MAN_PAGES})
  install(FILES ${RV_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
endif()
