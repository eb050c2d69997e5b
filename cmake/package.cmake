# `make package`: a Debian package of what `cmake --install` puts in place, under /usr, with
# a copyright file and changelog in place of LICENSE, that lintian passes without an error or
# a warning (the package-test, tests/install-test.sh --package, checks).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbelfive)
set(CPACK_PACKAGE_VENDOR "The Orbel Five developers")
set(CPACK_PACKAGE_CONTACT "Orbel Five maintainers <maintainers@orbelfive.example>"
    CACHE STRING "Maintainer of the Debian package, as Name <address>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "board game of placing and pushing orbels")
# Lines of at most 80 characters, for 80-column terminals.
set(CPACK_PACKAGE_DESCRIPTION
    "Red and Blue take turns to place an orbel beside one already on an odd-sized\n\
square board; each placement pushes the line in front of it one step, and five\n\
in a line wins. Play the computer at eleven strength levels, or share the board\n\
with a friend.\n\
Includes orbelfive-cli, which analyses saved games and benchmarks the computer\n\
player. Orbel Five is free software under the GNU GPL, version 3 or later.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries are found by dpkg-shlibdeps; Qt's window-system plugins are loaded at run
# time, so nothing links to them and they are named here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# The fallback font carries the Japanese of the file dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-droid-fallback)

# What only the package carries, in /usr/share/doc/orbelfive: the machine-readable copyright
# file, which states the licence in place of the LICENSE file (Debian keeps the GPL's text in
# /usr/share/common-licenses), and the changelog. The version is native (no Debian revision),
# so the changelog is changelog.gz. Both are left out of a plain `cmake --install`.
set(docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_PACKAGE_NAME})
find_program(ORBEL_GZIP gzip REQUIRED)
set(debian_files ${PROJECT_BINARY_DIR}/debian)

# The changelog's date is the release date at midnight UTC, in the RFC 5322 form Debian
# wants ("Tue, 08 Dec 2026 00:00:00 +0000"); the weekday by Sakamoto's method.
block(PROPAGATE ORBEL_CHANGELOG_DATE)
  if(NOT ORBEL_RELEASE_DATE MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
    message(FATAL_ERROR "ORBEL_RELEASE_DATE '${ORBEL_RELEASE_DATE}' is not YYYY-MM-DD")
  endif()
  set(year ${CMAKE_MATCH_1})
  set(day ${CMAKE_MATCH_3})
  math(EXPR month "${CMAKE_MATCH_2} - 1")
  set(month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  set(weekdays Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET month_offsets ${month} offset)
  set(y ${year})
  if(month LESS 2)
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${day}) % 7")
  list(GET weekdays ${weekday} weekday)
  list(GET months ${month} month)
  set(ORBEL_CHANGELOG_DATE "${weekday}, ${day} ${month} ${year} 00:00:00 +0000")
endblock()

configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in ${debian_files}/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${debian_files}/changelog @ONLY)
add_custom_command(
  OUTPUT ${debian_files}/changelog.gz
  COMMAND ${ORBEL_GZIP} -9n --force --keep ${debian_files}/changelog
  DEPENDS ${debian_files}/changelog
  COMMENT "Compressing the package's changelog"
  VERBATIM)
add_custom_target(orbel_debian_changelog ALL DEPENDS ${debian_files}/changelog.gz)
install(FILES ${debian_files}/copyright ${debian_files}/changelog.gz DESTINATION ${docdir}
        COMPONENT debian EXCLUDE_FROM_ALL)

# The package holds the files installed without a component (every install() but these)
# and the Debian ones; not the LICENSE file (component licence_text, see data/).
set(default_component Unspecified)
if(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME)
  set(default_component ${CMAKE_INSTALL_DEFAULT_COMPONENT_NAME})
endif()
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};${default_component};/"
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")

# Stripped as dh_strip does (cmake/debian/strip.cmake), which CPack's own stripping does not.
set(CPACK_STRIP_FILES OFF)
set(CPACK_ORBEL_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian/strip.cmake)

include(CPack)
