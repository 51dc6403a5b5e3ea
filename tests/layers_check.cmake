# Which folder may include which (run by CTest with cmake -P):
# - nothing under src/base/ or a subsystem folder includes "app/...";
# - src/base/ includes no subsystem;
# - the widget-free layers (src/base/ without widgets/, each subsystem's core files) include no
#   Qt Gui or Qt Widgets header, no "base/widgets/..." and no window.
# SOURCE_DIR: the tree; CORE_FILES: a file listing the cores' files; WIDGETS_DIR and GUI_DIR: Qt's
# QtWidgets and QtGui headers.

set(problems)

function(qtx_includes file out_var)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  set(names)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" name "${line}")
    list(APPEND names ${name})
  endforeach()
  set(${out_var} ${names} PARENT_SCOPE)
endfunction()

function(qtx_forbid file pattern why)
  qtx_includes(${file} names)
  foreach(name IN LISTS names)
    if(name MATCHES "${pattern}")
      string(APPEND problems "\n${file}: includes ${name} (${why})")
    endif()
  endforeach()
  set(problems "${problems}" PARENT_SCOPE)
endfunction()

function(qtx_forbid_widgets file)
  qtx_includes(${file} names)
  foreach(name IN LISTS names)
    string(REGEX REPLACE "^Qt(Widgets|Gui)/" "" bare "${name}")
    if(name MATCHES "^Qt(Widgets|Gui)/"
       OR (bare MATCHES "^Q[A-Za-z]+$" AND (EXISTS "${WIDGETS_DIR}/${bare}" OR EXISTS "${GUI_DIR}/${bare}"))
       OR name MATCHES "^base/widgets/|_window\\.h$")
      string(APPEND problems "\n${file}: includes ${name} (this layer holds no Qt Gui and no widgets)")
    endif()
  endforeach()
  set(problems "${problems}" PARENT_SCOPE)
endfunction()

set(subsystems lang config users workspace archive site link)
string(JOIN "|" subsystem_pattern ${subsystems})

file(GLOB_RECURSE base_files ${SOURCE_DIR}/src/base/*.h ${SOURCE_DIR}/src/base/*.cpp)
foreach(file IN LISTS base_files)
  qtx_forbid(${file} "^app/" "base is below the program")
  qtx_forbid(${file} "^(${subsystem_pattern})/" "base is below every subsystem")
  if(NOT file MATCHES "/src/base/widgets/")
    qtx_forbid_widgets(${file})
  endif()
endforeach()

foreach(subsystem IN LISTS subsystems)
  file(GLOB files ${SOURCE_DIR}/src/${subsystem}/*.h ${SOURCE_DIR}/src/${subsystem}/*.cpp)
  foreach(file IN LISTS files)
    qtx_forbid(${file} "^app/" "windows get what they use from the form registry")
  endforeach()
endforeach()

file(STRINGS ${CORE_FILES} core_files)
foreach(file IN LISTS core_files)
  qtx_forbid_widgets(${file})
endforeach()

if(problems)
  message(FATAL_ERROR "Includes that cross the layers:${problems}")
endif()
list(LENGTH core_files count)
message(STATUS "Layers kept: ${count} core files and src/base checked")
