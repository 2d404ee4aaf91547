# Installs the build tree BUILD_DIR into the empty prefix PREFIX and checks
# that every file Vorlane installs is there, then runs the installed program.
# Run with: cmake -DBUILD_DIR=... -DPREFIX=... -DBINDIR=bin -DDATADIR=share
#   -DDATAROOTDIR=share -DMANDIR=share/man -DVERSION=x.y.z -P CheckInstall.cmake
foreach(var BUILD_DIR PREFIX BINDIR DATADIR DATAROOTDIR MANDIR VERSION)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "CheckInstall.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
# DESTDIR from the caller's environment would put the files elsewhere.
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env --unset=DESTDIR
          "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(expected
  "${BINDIR}/vorlane"
  "${BINDIR}/vorlane-cli"
  "${MANDIR}/man1/vorlane-cli.1"
  "${DATADIR}/bash-completion/completions/vorlane-cli"
  "${DATADIR}/applications/vorlane.desktop"
  "${DATADIR}/icons/hicolor/scalable/apps/vorlane.svg"
  "${MANDIR}/man1/vorlane.1"
  "${DATAROOTDIR}/doc/vorlane/README.md"
  "lib/udev/rules.d/60-vorlane-usbasp.rules"
  "lib/udev/rules.d/60-vorlane-ftdi.rules")
foreach(size 16 24 32 48 64 128 256)
  list(APPEND expected "${DATADIR}/icons/hicolor/${size}x${size}/apps/vorlane.png")
endforeach()

set(missing "")
foreach(relative IN LISTS expected)
  set(path "${PREFIX}/${relative}")
  if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
    string(APPEND missing "\n  ${relative} (not installed)")
    continue()
  endif()
  file(SIZE "${path}" size)
  if(size EQUAL 0)
    string(APPEND missing "\n  ${relative} (empty)")
  endif()
endforeach()
if(missing)
  file(GLOB_RECURSE installed RELATIVE "${PREFIX}" "${PREFIX}/*")
  list(JOIN installed "\n  " installed)
  message(FATAL_ERROR "Missing from the install tree:${missing}\nInstalled:\n  ${installed}")
endif()

# The desktop entry's Icon= must name the installed icons.
file(STRINGS "${PREFIX}/${DATADIR}/applications/vorlane.desktop" icon_line REGEX "^Icon=")
if(NOT icon_line STREQUAL "Icon=vorlane")
  message(FATAL_ERROR "vorlane.desktop: expected Icon=vorlane, found '${icon_line}'")
endif()

# The installed program runs: --version needs no display.
execute_process(
  COMMAND "${PREFIX}/${BINDIR}/vorlane" --version
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT output STREQUAL "vorlane ${VERSION}\n")
  message(FATAL_ERROR "installed vorlane --version: status ${result}, output '${output}' ${errors}")
endif()

# The terminal tool runs from the install tree too, with no display.
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=QT_QPA_PLATFORM
          "${PREFIX}/${BINDIR}/vorlane-cli" --version
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT output STREQUAL "vorlane-cli ${VERSION}\n")
  message(FATAL_ERROR "installed vorlane-cli --version: status ${result}, output '${output}' ${errors}")
endif()

list(LENGTH expected count)
message(STATUS "${count} files installed under ${PREFIX}")
