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
set(TAVRIN_PACKAGE_MAINTAINER "Tavrin developers <tavrin@invalid>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAVRIN_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
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

include(CPack)
