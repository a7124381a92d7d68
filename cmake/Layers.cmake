# The layers of the driver, one target per folder. A folder's sources see
# only its own headers and those of the layers below it: each target gets an
# include directory in the build tree that holds links to just those folders
# (and the public header), so a lower layer that includes a higher one fails
# to build with "No such file or directory".
#
#   base <- platform <- config <- comm <- diag <- driver; gtk and web beside diag

# rv_layer_view(TARGET SCOPE FOLDER...): TARGET's include view of FOLDERs.
function(rv_layer_view target scope)
  set(view ${CMAKE_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${view})
  foreach(folder IN ITEMS include ${ARGN})
    if(NOT EXISTS ${view}/${folder})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} ${scope} ${view})
endfunction()

# rv_module(TARGET FOLDER HEADER...): a module of the driver, a shared object
# beside it that the driver loads at run time and never unloads. It sees the
# header-only base layer, its own folder and the named boundary headers of
# diag/, and links none of the driver's libraries.
function(rv_module target folder)
  rv_layer_view(${target} PRIVATE base ${folder})
  set(view ${CMAKE_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${view}/diag)
  foreach(header IN LISTS ARGN)
    if(NOT EXISTS ${view}/diag/${header})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/diag/${header} ${view}/diag/${header} SYMBOLIC)
    endif()
  endforeach()
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${target}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_link_options(${target} PRIVATE -Wl,-z,nodelete)
  if(NOT RV_ZR6180_SANITIZE)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()
