# Where every installed file lands (any prefix, and DESTDIR), and the Debian package made from it.
#   <bindir>:                         torvinel, torvinel-windowed
#   TORVINEL_INSTALL_DATADIR:         res/game, res/bgm, res/se, shader, demos (never a ranking file),
#                                     and icons/NxN/torvinel.png, links to the hicolor icons below
#   <datadir>/applications:           one menu entry per configuration
#   <datadir>/metainfo:               the software centre's record
#   <datadir>/icons/hicolor/NxN/apps: the icon at 48, 64, 128 and 256 pixels
#   <mandir>/man6:                    torvinel(6), and torvinel-windowed(6) as a link to it
#   <docdir>:                         copyright (Debian's machine-readable form), changelog.gz

install(TARGETS torvinel torvinel-windowed RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (cmake --install --strip, and so the package) also drops the compilers' notes
# in .comment, as Debian's dh_strip does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(exe $<TARGET_FILE_NAME:torvinel> $<TARGET_FILE_NAME:torvinel-windowed>)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${exe}\" RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR \"could not strip \${exe}\")
      endif()
    endforeach()
  endif()")
install(DIRECTORY data/shader data/demos DESTINATION ${TORVINEL_INSTALL_DATADIR})
install(DIRECTORY data/res/game data/res/bgm data/res/se DESTINATION ${TORVINEL_INSTALL_DATADIR}/res)

set(TORVINEL_MAINTAINER "Torvinel maintainers <maintainers@torvinel.invalid>" CACHE STRING
  "Maintainer named in the Debian package")
set(TORVINEL_HOMEPAGE "https://torvinel.invalid/" CACHE STRING
  "Where the project lives, for the software centre's record")
# Who makes the game, for the software centre: the copyright holder without the years.
string(REGEX REPLACE "^[0-9, -]+ " "" TORVINEL_DEVELOPERS "${TORVINEL_COPYRIGHT}")
set(TORVINEL_PACKAGE torvinel)

# The release history: CHANGELOG.md, newest first, whose newest entry is this version. The software
# centre's record lists its releases; the package carries it as a Debian changelog.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/CHANGELOG.md ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
file(STRINGS CHANGELOG.md TORVINEL_CHANGELOG_RELEASES
  REGEX "^## \\[[0-9]+\\.[0-9]+\\.[0-9]+\\] - [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] *$")
set(newest "")
if(TORVINEL_CHANGELOG_RELEASES)
  list(GET TORVINEL_CHANGELOG_RELEASES 0 newest)
endif()
if(NOT newest STREQUAL "## [${PROJECT_VERSION}] - ${TORVINEL_RELEASE_DATE}")
  message(FATAL_ERROR "CHANGELOG.md's newest release is '${newest}', but this is version "
    "${PROJECT_VERSION} of ${TORVINEL_RELEASE_DATE}: add its entry, or mend the version or the date")
endif()
set(TORVINEL_RELEASES "")
foreach(release IN LISTS TORVINEL_CHANGELOG_RELEASES)
  string(REGEX REPLACE "^## \\[([0-9.]+)\\] - ([0-9-]+) *$" "    <release version=\"\\1\" date=\"\\2\"/>"
    release "${release}")
  list(APPEND TORVINEL_RELEASES "${release}")
endforeach()
list(JOIN TORVINEL_RELEASES "\n" TORVINEL_RELEASES)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/install/changelog.gz
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tools/debian-changelog.sh ${CMAKE_CURRENT_SOURCE_DIR}/CHANGELOG.md
    ${TORVINEL_PACKAGE} "${TORVINEL_MAINTAINER}" ${CMAKE_BINARY_DIR}/install/changelog
  COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/install/changelog
  DEPENDS CHANGELOG.md tools/debian-changelog.sh
  COMMENT "Writing the Debian changelog"
  VERBATIM)

# The copyright file, in Debian's machine-readable form, with the licence's own text.
file(READ LICENSE licence)
string(FIND "${licence}" "Permission is hereby granted" start)
if(start LESS 0)
  message(FATAL_ERROR "LICENSE does not hold the MIT licence's text")
endif()
string(SUBSTRING "${licence}" ${start} -1 TORVINEL_EXPAT_TEXT)
string(STRIP "${TORVINEL_EXPAT_TEXT}" TORVINEL_EXPAT_TEXT)
string(REPLACE "\n\n" "\n.\n" TORVINEL_EXPAT_TEXT "${TORVINEL_EXPAT_TEXT}")
string(REPLACE "\n" "\n " TORVINEL_EXPAT_TEXT " ${TORVINEL_EXPAT_TEXT}")
configure_file(data/doc/copyright.in ${CMAKE_BINARY_DIR}/install/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/copyright ${CMAKE_BINARY_DIR}/install/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(TORVINEL_APP_ID org.torvinel.torvinel)
install(FILES data/desktop/${TORVINEL_APP_ID}.desktop data/desktop/${TORVINEL_APP_ID}-windowed.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(data/desktop/${TORVINEL_APP_ID}.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/install/${TORVINEL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/${TORVINEL_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The game reads its window icon from its data folder, where relative links lead to the hicolor
# copies: the pictures are installed once, and the links hold wherever the prefix is moved.
foreach(size 48 64 128 256)
  set(icons icons/${size}x${size})
  install(FILES data/${icons}/torvinel.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  file(RELATIVE_PATH target ${TORVINEL_FULL_DATADIR}/${icons}
    ${CMAKE_INSTALL_FULL_DATADIR}/icons/hicolor/${size}x${size}/apps/torvinel.png)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install/${icons})
  file(CREATE_LINK ${target} ${CMAKE_BINARY_DIR}/install/${icons}/torvinel.png SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/install/${icons}/torvinel.png DESTINATION ${TORVINEL_INSTALL_DATADIR}/${icons})
endforeach()

# The manual names the data folder of this build; it is kept compressed, as Debian keeps manuals.
configure_file(data/man/torvinel.6.in ${CMAKE_BINARY_DIR}/install/torvinel.6 @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/install/torvinel.6.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/install/torvinel.6
  DEPENDS ${CMAKE_BINARY_DIR}/install/torvinel.6
  COMMENT "Compressing the manual")
add_custom_target(torvinel_documents ALL
  DEPENDS ${CMAKE_BINARY_DIR}/install/torvinel.6.gz ${CMAKE_BINARY_DIR}/install/changelog.gz)
file(CREATE_LINK torvinel.6.gz ${CMAKE_BINARY_DIR}/install/torvinel-windowed.6.gz SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/install/torvinel.6.gz ${CMAKE_BINARY_DIR}/install/torvinel-windowed.6.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# The Debian package: cpack -G DEB in a tree configured for Debian's layout (tools/torvinel.sh
# package). Its dependencies are those of the executables' shared libraries, as dpkg-shlibdeps
# finds them.
set(CPACK_PACKAGE_NAME ${TORVINEL_PACKAGE})
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

# The source tarball a packager takes (cmake --build build --target dist): build/torvinel-<version>.tar.gz,
# made by tools/source-tarball.sh from the files git tracks. CPack's own source package would take
# the whole folder, build trees and all, so package_source says to use this instead.
add_custom_target(dist
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tools/source-tarball.sh ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_VERSION}
    ${TORVINEL_RELEASE_DATE} ${CMAKE_BINARY_DIR}/torvinel-${PROJECT_VERSION}.tar.gz
  VERBATIM)
file(WRITE ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake [[
if(CPACK_INSTALLED_DIRECTORIES)
  message(FATAL_ERROR "The source tarball is made by the dist target: cmake --build . --target dist")
endif()
]])
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake)
include(CPack)
