# SPDX-License-Identifier: MIT
# `make package`: tavrin_VERSION_ARCH.deb by CPack, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "player for illustrated sound novels")
set(CPACK_PACKAGE_DESCRIPTION
    "Tavrin plays sound novels: illustrated stories told in pages of text, with
pictures, background music and choices. A game is a folder holding a scenario
script in Shift-JIS, its JPEG pictures and a MIDI tune; games made on Windows
years ago play as they are. A demo game is included.")
# Whoever builds the package sets its maintainer, who also signs the changelog's entries:
# cmake -DTAVRIN_PACKAGE_MAINTAINER="Name <address>". Until then the address is one that
# reaches nobody, and lintian says so (bogus-mail-host).
set(TAVRIN_PACKAGE_MAINTAINER "Tavrin developers <tavrin@invalid>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAVRIN_PACKAGE_MAINTAINER})
# Not games: Debian keeps the games section for programs in /usr/games, and Tavrin's
# program is bin/tavrin under every prefix, which the desktop entry and `cmake --install`
# count on.
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

# The shared libraries the program links (Qt, FluidSynth...) from dpkg-shlibdeps; then what
# only the running program looks for: a Japanese font; a General MIDI soundfont for the
# music (without one it plays in silence); Qt's Wayland platform, qt6-wayland, for a native
# window on a Wayland desktop. Qt's X11 platform comes with its GUI library, so without
# qt6-wayland the program still runs there, through XWayland: a recommendation, which apt
# installs by default, and not a dependency. Qt's own translations, qt6-translations-l10n,
# give the dialogs' buttons the reader's language; without them they are English.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-noto-cjk | fonts-ipaexfont-gothic | fonts-ipafont-gothic | fonts-takao-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fluid-soundfont-gm | sf2-soundfont-gm | sf3-soundfont-gm, qt6-wayland, qt6-translations-l10n")

# share/doc/tavrin: the licences of what is installed (copyright, in Debian's machine-readable
# format) and the changelog, compressed as Debian wants it. The changelog's first entry is
# this version's, of the day it was released.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in tavrin_changelog_heading LIMIT_COUNT 1)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in tavrin_changelog_signature
     REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" tavrin_release_match ${TAVRIN_RELEASE_DATE})
set(tavrin_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
math(EXPR tavrin_month_index "${CMAKE_MATCH_2} - 1")
list(GET tavrin_months ${tavrin_month_index} tavrin_month)
set(tavrin_release_day "${CMAKE_MATCH_3} ${tavrin_month} ${CMAKE_MATCH_1}")
if(NOT tavrin_changelog_heading MATCHES "^tavrin \\(${PROJECT_VERSION}\\) "
   OR NOT tavrin_changelog_signature MATCHES ", ${tavrin_release_day} ")
  message(FATAL_ERROR "cmake/debian/changelog.in: the first entry is not version "
                      "${PROJECT_VERSION} of ${TAVRIN_RELEASE_DATE}: "
                      "write the entry of this release")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in debian/changelog @ONLY)
add_custom_command(OUTPUT debian/changelog.gz
  COMMAND gzip -9 -n -c debian/changelog > debian/changelog.gz
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog
  VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS debian/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
              ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

include(CPack)
