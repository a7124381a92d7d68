# The layers of the driver, one target per folder. A folder's sources see
# only its own headers and those of the layers below it: each target gets an
# include directory in the build tree that holds links to just those folders
# (and the public header), so a lower layer that includes a higher one fails
# to build with "No such file or directory".
#
#   base <- platform <- config <- comm <- diag <- driver; gtk and web beside diag

# rv_view_links(VIEW SOURCE NAME...): VIEW holds links to exactly the NAMEs
# of SOURCE. Links left from an earlier configure go, so a dependency removed
# from a list is gone from an existing build tree too.
function(rv_view_links view source)
  file(MAKE_DIRECTORY ${view})
  file(GLOB present RELATIVE ${view} ${view}/*)
  foreach(name IN LISTS present)
    if(IS_SYMLINK ${view}/${name} AND NOT name IN_LIST ARGN)
      file(REMOVE ${view}/${name})
    endif()
  endforeach()
  foreach(name IN LISTS ARGN)
    if(NOT EXISTS ${view}/${name})
      file(CREATE_LINK ${source}/${name} ${view}/${name} SYMBOLIC)
    endif()
  endforeach()
endfunction()

# rv_layer_view(TARGET SCOPE FOLDER...): TARGET's include view of FOLDERs.
function(rv_layer_view target scope)
  set(view ${CMAKE_BINARY_DIR}/layers/${target})
  rv_view_links(${view} ${PROJECT_SOURCE_DIR} include ${ARGN})
  target_include_directories(${target} ${scope} ${view})
endfunction()

# rv_module(TARGET FOLDER HEADER...): a module of the driver, a shared object
# beside it that the driver loads at run time and never unloads. It sees the
# header-only base layer, its own folder and the named boundary headers of
# diag/, and links none of the driver's libraries.
function(rv_module target folder)
  rv_layer_view(${target} PRIVATE base ${folder})
  set(view ${CMAKE_BINARY_DIR}/layers/${target})
  rv_view_links(${view}/diag ${PROJECT_SOURCE_DIR}/diag ${ARGN})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${target}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_link_options(${target} PRIVATE -Wl,-z,nodelete)
  if(NOT RV_ZR6180_SANITIZE)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()
