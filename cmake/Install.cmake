# Installation: the library with its SONAME links and its modules, the
# public header, a pkg-config file and a CMake package config
# (find_package(rv_zr6180)).
include(CMakePackageConfigHelpers)

install(TARGETS rv_zr6180 EXPORT rv_zr6180Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/rv_zr6180.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The window and web modules beside the driver, where the driver looks for them.
foreach(module IN ITEMS rv_zr6180_gtk rv_zr6180_web)
  if(TARGET ${module})
    install(TARGETS ${module} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  endif()
endforeach()

install(EXPORT rv_zr6180Targets NAMESPACE rv_zr6180:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/rv_zr6180)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/rv_zr6180Config.cmake.in
  ${CMAKE_BINARY_DIR}/rv_zr6180Config.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/rv_zr6180)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/rv_zr6180ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/rv_zr6180Config.cmake ${CMAKE_BINARY_DIR}/rv_zr6180ConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/rv_zr6180)

# The prefix relative to the .pc file: right for any --prefix and DESTDIR.
file(RELATIVE_PATH RV_PC_TO_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
string(REGEX REPLACE "/$" "" RV_PC_TO_PREFIX "${RV_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/rv_zr6180.pc.in ${CMAKE_BINARY_DIR}/rv_zr6180.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/rv_zr6180.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(RV_EXAMPLES_DIR ${CMAKE_INSTALL_DATADIR}/rv_zr6180/examples)
foreach(f zr6180.ini rostlina.txt host.c rv_zr6180.rules.yml)
  if(EXISTS ${PROJECT_SOURCE_DIR}/examples/${f})
    install(FILES ${PROJECT_SOURCE_DIR}/examples/${f} DESTINATION ${RV_EXAMPLES_DIR})
  endif()
endforeach()
if(EXISTS ${PROJECT_SOURCE_DIR}/examples/host.py)
  install(PROGRAMS ${PROJECT_SOURCE_DIR}/examples/host.py DESTINATION ${RV_EXAMPLES_DIR})
endif()

# The documentation keeps the source tree's layout, so that its relative
# links (docs/..., tools/sim/README.md, examples/...) hold where it is installed.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs FILES_MATCHING PATTERN "*.md")
if(EXISTS ${PROJECT_SOURCE_DIR}/tools/sim/README.md)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/sim/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}/tools/sim)
endif()
file(RELATIVE_PATH RV_DOC_TO_EXAMPLES /p/${CMAKE_INSTALL_DOCDIR} /p/${RV_EXAMPLES_DIR})
install(CODE "
  set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}/examples\")
  message(STATUS \"Installing: \${link} -> ${RV_DOC_TO_EXAMPLES}\")
  file(CREATE_LINK \"${RV_DOC_TO_EXAMPLES}\" \"\${link}\" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${link}\")")

foreach(page zr6180-host.1 zr6180-sim.1)
  if(EXISTS ${PROJECT_SOURCE_DIR}/docs/man/${page})
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
