# Where every installed file lands (any prefix, and DESTDIR), and the Debian package made from it.
#   <bindir>:                         torvinel, torvinel-windowed
#   TORVINEL_INSTALL_DATADIR:         res/game, res/bgm, res/se, shader, demos (never a ranking file)
#   <datadir>/applications:           one menu entry per configuration
#   <datadir>/metainfo:               the software centre's record
#   <datadir>/icons/hicolor/NxN/apps: the icon at 48, 64, 128 and 256 pixels
#   <mandir>/man6:                    torvinel(6), and torvinel-windowed(6) as a link to it

install(TARGETS torvinel torvinel-windowed RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY data/shader data/demos DESTINATION ${TORVINEL_INSTALL_DATADIR})
install(DIRECTORY data/res/game data/res/bgm data/res/se DESTINATION ${TORVINEL_INSTALL_DATADIR}/res)

set(TORVINEL_APP_ID org.torvinel.torvinel)
install(FILES data/desktop/${TORVINEL_APP_ID}.desktop data/desktop/${TORVINEL_APP_ID}-windowed.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(data/desktop/${TORVINEL_APP_ID}.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/install/${TORVINEL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/${TORVINEL_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 64 128 256)
  install(FILES data/icons/${size}x${size}/torvinel.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The manual names the data folder of this build; it is kept compressed, as Debian keeps manuals.
configure_file(data/man/torvinel.6.in ${CMAKE_BINARY_DIR}/install/torvinel.6 @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/install/torvinel.6.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/install/torvinel.6
  DEPENDS ${CMAKE_BINARY_DIR}/install/torvinel.6
  COMMENT "Compressing the manual")
add_custom_target(torvinel_manual ALL DEPENDS ${CMAKE_BINARY_DIR}/install/torvinel.6.gz)
file(CREATE_LINK torvinel.6.gz ${CMAKE_BINARY_DIR}/install/torvinel-windowed.6.gz SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/install/torvinel.6.gz ${CMAKE_BINARY_DIR}/install/torvinel-windowed.6.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# The Debian package: cpack -G DEB in a tree configured for Debian's layout (tools/torvinel.sh
# package). Its dependencies are those of the executables' shared libraries, as dpkg-shlibdeps
# finds them.
set(TORVINEL_MAINTAINER "Torvinel maintainers <maintainers@torvinel.invalid>" CACHE STRING
  "Maintainer named in the Debian package")
set(CPACK_PACKAGE_NAME torvinel)
set(CPACK_PACKAGE_VENDOR Torvinel)
set(CPACK_PACKAGE_CONTACT "${TORVINEL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade game: slice the gems that fall down a tube")
set(CPACK_PACKAGE_DESCRIPTION "Faceted gems fall down a scrolling, textured tube towards you.
Turn the view, turn and lift the blade, and slice every gem it strikes:
each cut scores a point and buys time. When the time runs out, your
score enters the eight-place ranking, kept in your own data folder.

The game plays full screen (torvinel) or in a window
(torvinel-windowed), with the keyboard or any common game
controller, plugged in at any time. It needs OpenGL.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TORVINEL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
