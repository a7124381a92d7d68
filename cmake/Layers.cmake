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
