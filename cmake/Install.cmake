# Installation: the program, its desktop entry, its icons, the manual page and
# the README, each where a Linux desktop and man(1) look for them.
include(GNUInstallDirs)

set(VORLANE_RES_DIR "${PROJECT_SOURCE_DIR}/src/res")
# The PNG renderings of icons/vorlane.svg kept in the tree, one per size.
set(VORLANE_ICON_SIZES 16 24 32 48 64 128 256)

install(TARGETS vorlane vorlane-cli RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

install(FILES "${VORLANE_RES_DIR}/vorlane.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")

install(FILES "${VORLANE_RES_DIR}/icons/vorlane.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
foreach(size IN LISTS VORLANE_ICON_SIZES)
  install(FILES "${VORLANE_RES_DIR}/icons/hicolor/${size}x${size}/apps/vorlane.png"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
endforeach()

install(FILES "${VORLANE_RES_DIR}/vorlane.1" "${VORLANE_RES_DIR}/vorlane-cli.1"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
# Where bash-completion loads a command's completion on first use.
install(FILES "${VORLANE_RES_DIR}/vorlane-cli.bash"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions" RENAME vorlane-cli)

# share/doc/vorlane, lower case like the program (CMAKE_INSTALL_DOCDIR would
# take the project's name, Vorlane).
install(FILES "${PROJECT_SOURCE_DIR}/README.md"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/vorlane")

# The udev rules that give a USBasp and FTDI cables to group plugdev. udev reads
# lib/udev/rules.d under /usr; under another prefix it is there to be copied
# to /etc/udev/rules.d. Literally lib, not CMAKE_INSTALL_LIBDIR, which is
# lib/<triplet> on Debian.
install(FILES "${PROJECT_SOURCE_DIR}/contrib/udev/60-vorlane-usbasp.rules"
              "${PROJECT_SOURCE_DIR}/contrib/udev/60-vorlane-ftdi.rules"
        DESTINATION "lib/udev/rules.d")
