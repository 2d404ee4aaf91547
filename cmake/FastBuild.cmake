# A cold build on a small machine. A Qt source spends most of its compile time
# parsing the same Qt headers, so the targets that use Qt Widgets share one
# precompiled header. GCC takes about ten seconds and writes about 200 MB to
# precompile them, so one target precompiles and the others reuse its copy
# (REUSE_FROM) rather than each precompiling its own. Every target then
# compiles its sources in unity batches, which parse the standard library,
# GoogleTest and our own headers once per batch rather than once per file.
#
# vorlane_fast_build() sorts every target of the project by what it links, so a
# target added, renamed or split later gets the treatment of its kind without
# being named here. Call it after the last add_subdirectory.
include_guard(GLOBAL)

option(VORLANE_FAST_BUILD "Share precompiled Qt headers and compile in unity batches" ON)
set(VORLANE_UNITY_BATCH_SIZE 8 CACHE STRING "Sources per unity batch")

# What most of our Qt sources include, directly or through our headers.
set(VORLANE_QT_PCH_HEADERS
  <algorithm> <array> <cstdint> <functional> <memory> <optional> <span>
  <string> <string_view> <vector>
  <QApplication> <QDialog> <QFileInfo> <QGridLayout> <QHBoxLayout> <QKeyEvent>
  <QLabel> <QLineEdit> <QPainter> <QPushButton> <QScrollBar> <QString>
  <QStringList> <QStyle> <QTimer> <QVBoxLayout> <QWidget>)

# Sources that define a file-local name another source of their target defines
# too: they compile on their own, out of the unity batches. Where the two differ
# in their parameters (Counting in the image tests) a batch would compile and
# could quietly call the other file's one.
set(VORLANE_UNITY_SKIP
  src/sim/At89s51And52.cpp
  tests/image/IntelHexLoadTest.cpp
  tests/sim/At89s51And52Test.cpp
  tests/view/ViewKeyboardTest.cpp)

# Every target that TARGET links, directly or through others, TARGET included.
function(_vorlane_link_closure target out)
  set(seen "")
  set(queue ${target})
  while(queue)
    list(POP_FRONT queue t)
    if(t IN_LIST seen OR NOT TARGET "${t}")
      continue()
    endif()
    list(APPEND seen "${t}")
    get_target_property(type "${t}" TYPE)
    set(libs "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct "${t}" LINK_LIBRARIES)
      if(direct)
        list(APPEND libs ${direct})
      endif()
    endif()
    get_target_property(usage "${t}" INTERFACE_LINK_LIBRARIES)
    if(usage)
      list(APPEND libs ${usage})
    endif()
    foreach(lib IN LISTS libs)
      if(lib MATCHES "^\\$<LINK_ONLY:(.+)>$")
        set(lib "${CMAKE_MATCH_1}")
      endif()
      if(TARGET "${lib}")
        list(APPEND queue "${lib}")
      endif()
    endforeach()
  endwhile()
  set(${out} "${seen}" PARENT_SCOPE)
endfunction()

# The targets defined in DIR and below.
function(_vorlane_targets_in dir out)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    _vorlane_targets_in("${sub}" more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} "${targets}" PARENT_SCOPE)
endfunction()

# The one target that precompiles the Qt headers for all the others. It links
# what they link, so that its flags and definitions match theirs: GCC refuses a
# precompiled header made with another -fPIC setting or without a definition
# the user has, and -Winvalid-pch puts that in the build log.
function(_vorlane_qt_pch_donor out)
  set(donor vorlane_qt_pch)
  if(NOT TARGET ${donor})
    set(source "${CMAKE_BINARY_DIR}/vorlane_qt_pch.cpp")
    file(CONFIGURE OUTPUT "${source}" CONTENT "// Precompiles the shared Qt headers.\n")
    add_library(${donor} OBJECT "${source}")
    target_link_libraries(${donor} PRIVATE Qt6::Widgets)
    target_precompile_headers(${donor} PRIVATE ${VORLANE_QT_PCH_HEADERS})
  endif()
  set(${out} ${donor} PARENT_SCOPE)
endfunction()

function(_vorlane_share_qt_pch target)
  get_target_property(own ${target} PRECOMPILE_HEADERS)
  get_target_property(reused ${target} PRECOMPILE_HEADERS_REUSE_FROM)
  if(own OR reused)
    return()
  endif()
  _vorlane_qt_pch_donor(donor)
  set_property(TARGET ${target} PROPERTY PRECOMPILE_HEADERS_REUSE_FROM ${donor})
  target_compile_options(${target} PRIVATE -Winvalid-pch)
  # moc reads only our headers, never a product of the libraries we link, so
  # it need not wait for them: the Qt targets then compile side by side.
  set_property(TARGET ${target} PROPERTY AUTOGEN_ORIGIN_DEPENDS OFF)
endfunction()

function(_vorlane_unity_build target)
  set_target_properties(${target} PROPERTIES
    UNITY_BUILD ON
    UNITY_BUILD_MODE BATCH
    UNITY_BUILD_BATCH_SIZE ${VORLANE_UNITY_BATCH_SIZE})
  # A test fixture in an anonymous namespace is fine in its own file; in a
  # batch GCC takes the file for a header and warns.
  target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  foreach(source IN LISTS sources)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${source_dir}" NORMALIZE OUTPUT_VARIABLE path)
    cmake_path(RELATIVE_PATH path BASE_DIRECTORY "${PROJECT_SOURCE_DIR}" OUTPUT_VARIABLE relative)
    if(relative IN_LIST VORLANE_UNITY_SKIP)
      set_source_files_properties("${path}" TARGET_DIRECTORY ${target}
                                  PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()

function(vorlane_fast_build)
  if(NOT VORLANE_FAST_BUILD)
    return()
  endif()
  _vorlane_targets_in("${PROJECT_SOURCE_DIR}" targets)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      continue()
    endif()
    _vorlane_link_closure(${target} closure)
    if("Qt6::Widgets" IN_LIST closure)
      _vorlane_share_qt_pch(${target})
    endif()
    _vorlane_unity_build(${target})
  endforeach()
endfunction()
