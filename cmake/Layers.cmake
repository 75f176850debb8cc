# One library per source folder, and the check that keeps includes to the directions the libraries
# name. pw_layer(<name> <folder> [USES <names...>] [LIBS <libs...>] [CHECK_ONLY]) makes pw_<name>
# from src/<folder>/*.cpp (an interface library when the folder has headers only); with
# CHECK_ONLY the folder (the other platform's edge) is only checked, not built.
# pw_check_layers() then adds the target pw_layers, built before every library: it fails when a
# file of a folder includes "<other folder>/..." that its library cannot reach through USES.

function(pw_layer name folder)
  cmake_parse_arguments(arg "CHECK_ONLY" "" "USES;LIBS" ${ARGN})
  set_property(GLOBAL APPEND PROPERTY PW_LAYERS ${name})
  set_property(GLOBAL PROPERTY PW_LAYER_FOLDER_${name} ${folder})
  set_property(GLOBAL PROPERTY PW_LAYER_USES_${name} ${arg_USES})
  if(arg_CHECK_ONLY)
    set_property(GLOBAL PROPERTY PW_LAYER_CHECK_ONLY_${name} TRUE)
    return()
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
  set(uses)
  foreach(used IN LISTS arg_USES)
    list(APPEND uses pw_${used})
  endforeach()
  if(sources)
    add_library(pw_${name} STATIC ${sources})
    target_include_directories(pw_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(pw_${name} PUBLIC ${uses} ${arg_LIBS})
    target_compile_options(pw_${name} PRIVATE ${PW_WARNINGS})
  else()
    add_library(pw_${name} INTERFACE)
    target_include_directories(pw_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(pw_${name} INTERFACE ${uses} ${arg_LIBS})
  endif()
endfunction()

# The folders a layer may include from: its own and those of every layer it reaches through USES.
function(pw_layer_reach name out)
  set(reach)
  set(todo ${name})
  while(todo)
    list(POP_FRONT todo current)
    get_property(folder GLOBAL PROPERTY PW_LAYER_FOLDER_${current})
    if(folder IN_LIST reach)
      continue()
    endif()
    list(APPEND reach ${folder})
    get_property(uses GLOBAL PROPERTY PW_LAYER_USES_${current})
    list(APPEND todo ${uses})
  endwhile()
  set(${out} ${reach} PARENT_SCOPE)
endfunction()

function(pw_check_layers)
  get_property(layers GLOBAL PROPERTY PW_LAYERS)
  set(map)
  foreach(name IN LISTS layers)
    get_property(folder GLOBAL PROPERTY PW_LAYER_FOLDER_${name})
    pw_layer_reach(${name} reach)
    string(REPLACE ";" "," reach "${reach}")
    list(APPEND map "${folder}=${reach}")
  endforeach()
  string(REPLACE ";" "|" map "${map}")
  add_custom_target(pw_layers ALL
    COMMAND ${CMAKE_COMMAND} -DPW_SRC=${PROJECT_SOURCE_DIR}/src "-DPW_MAP=${map}"
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake
    COMMENT "Checking the include directions between the source folders"
    VERBATIM)
  foreach(name IN LISTS layers)
    get_property(check_only GLOBAL PROPERTY PW_LAYER_CHECK_ONLY_${name})
    if(NOT check_only)
      add_dependencies(pw_${name} pw_layers)
    endif()
  endforeach()
endfunction()
