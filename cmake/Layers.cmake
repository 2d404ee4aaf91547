# The layers and who may use whom. Arrows point down only: a layer uses the
# layers named after it and, through them, what they use. Both checks below
# read this one table: the links at configure time, the includes at every
# build (and as a test).
set(VORLANE_LAYERS
  "sim|src/sim|"
  "port|src/link/port|"
  "link|src/link|port"
  "usbasp|src/link/usbasp|link"
  "arduino|src/link/arduino|link"
  "gpio|src/link/gpio|link"
  "ftdi|src/link/ftdi|link"
  "simport|src/simport|sim link"
  "connect|src/connect|link simport usbasp arduino gpio ftdi"
  "image|src/image|framework"
  "framework|src/framework|"
  "store|src/store|link"
  "jobs|src/jobs|link image framework"
  "view|src/view|image link framework"
  "app|src/app|view jobs image link store connect framework"
  "cli|src/cli|jobs image link store connect"
)

# The layer whose folder holds `dir` (a source folder of the project), or "".
function(vorlane_layer_of dir out)
  set(found "")
  foreach(entry IN LISTS VORLANE_LAYERS)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 folder)
    if(dir STREQUAL "${CMAKE_SOURCE_DIR}/${folder}" OR dir STREQUAL "${folder}")
      set(found "${name}")
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# Every layer `layer` may use, directly or through the layers it uses.
function(vorlane_layer_uses layer out)
  set(todo "${layer}")
  set(seen "")
  while(todo)
    list(POP_FRONT todo current)
    foreach(entry IN LISTS VORLANE_LAYERS)
      string(REPLACE "|" ";" parts "${entry}")
      list(GET parts 0 name)
      if(name STREQUAL current)
        list(LENGTH parts n)
        if(n GREATER 2)
          list(GET parts 2 uses)
          string(REPLACE " " ";" uses "${uses}")
          foreach(u IN LISTS uses)
            if(NOT u IN_LIST seen)
              list(APPEND seen "${u}")
              list(APPEND todo "${u}")
            endif()
          endforeach()
        endif()
      endif()
    endforeach()
  endwhile()
  set(${out} "${seen}" PARENT_SCOPE)
endfunction()

# Configure time: no target of a layer links a target of a layer it may not
# use. Called once every target exists.
function(vorlane_check_layer_links)
  get_property(dirs DIRECTORY "${CMAKE_SOURCE_DIR}" PROPERTY SUBDIRECTORIES)
  set(problems "")
  foreach(dir IN LISTS dirs)
    vorlane_layer_of("${dir}" layer)
    if(NOT layer)
      continue()
    endif()
    vorlane_layer_uses("${layer}" allowed)
    get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(links ${target} LINK_LIBRARIES)
      get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
      foreach(link IN LISTS links interface)
        if(NOT TARGET "${link}")
          continue()
        endif()
        get_target_property(linkDir ${link} SOURCE_DIR)
        vorlane_layer_of("${linkDir}" used)
        if(used AND NOT used STREQUAL layer AND NOT used IN_LIST allowed)
          list(APPEND problems "${target} (${layer}) links ${link} (${used})")
        endif()
      endforeach()
    endforeach()
  endforeach()
  vorlane_refuse("A layer links one it may not use" "${problems}")
endfunction()

# Stops with `what` and each problem on a line of its own, if there are any.
function(vorlane_refuse what problems)
  if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "${what} (cmake/Layers.cmake):\n  ${text}")
  endif()
endfunction()
