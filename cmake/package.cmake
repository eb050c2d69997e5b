# `make package`: a Debian package of everything `cmake --install` puts in place, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbelfive)
set(CPACK_PACKAGE_VENDOR "The Orbel Five developers")
set(CPACK_PACKAGE_CONTACT "Orbel Five maintainers <maintainers@orbelfive.example>"
    CACHE STRING "Maintainer of the Debian package, as Name <address>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "board game of placing and pushing orbels")
set(CPACK_PACKAGE_DESCRIPTION
    "Red and Blue take turns to place an orbel beside one already on an odd-sized square\n\
board; each placement pushes the line in front of it one step, and five in a line wins.\n\
Play the computer at eleven strength levels, or share the board with a friend.\n\
Includes orbelfive-cli, which analyses saved games and benchmarks the computer player.\n\
Orbel Five is free software under the GNU GPL, version 3 or later.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries are found by dpkg-shlibdeps; Qt's window-system plugins are loaded at run
# time, so nothing links to them and they are named here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# The fallback font carries the Japanese of the file dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-droid-fallback)

include(CPack)
