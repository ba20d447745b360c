# Modules: each folder of utility/, and filereplace/, is one library target
# that names the modules it uses. Its headers are reachable only through a
# link to it: every module exposes its folder through an include root of its
# own (build/modules/NAME/NAME -> the folder), so an #include across an edge
# that is not declared does not compile. A module may use only modules
# declared before it, which keeps the graph free of cycles; the order of
# utility/CMakeLists.txt is the layering, drawn in the README.
#
#   vantrel_module(NAME SOURCES files... USES modules... [EXPOSES modules...]
#                  [LIBRARIES targets...])
# USES: modules its sources include; EXPOSES: the subset its own headers
# include, which its users then see too. LIBRARIES: outside libraries.
function(vantrel_module name)
  cmake_parse_arguments(M "" "" "SOURCES;USES;EXPOSES;LIBRARIES" ${ARGN})
  add_library(vantrel_${name} STATIC ${M_SOURCES})
  set(root ${CMAKE_BINARY_DIR}/modules/${name})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${name} SYMBOLIC)
  target_include_directories(vantrel_${name} PUBLIC ${root})
  set_target_properties(vantrel_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  foreach(used IN LISTS M_USES M_EXPOSES)
    if(NOT TARGET vantrel_${used})
      message(FATAL_ERROR "Module ${name} uses ${used}, which is not declared before it")
    endif()
  endforeach()
  foreach(used IN LISTS M_USES)
    if(used IN_LIST M_EXPOSES)
      target_link_libraries(vantrel_${name} PUBLIC vantrel_${used})
    else()
      target_link_libraries(vantrel_${name} PRIVATE vantrel_${used})
    endif()
  endforeach()
  if(M_LIBRARIES)
    target_link_libraries(vantrel_${name} PUBLIC ${M_LIBRARIES})
  endif()
  set_property(GLOBAL APPEND PROPERTY VANTREL_MODULES vantrel_${name})
endfunction()
