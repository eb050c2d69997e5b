# Installs the menu entry. It runs the game by its full path, so the entry works whether or
# not the games folder is on the desktop's PATH; that path is known only when installing
# (`cmake --install --prefix`, the package's /usr), so the entry is written then.
# Set before: ORBEL_DESKTOP_IN (the template), ORBEL_APP_ID, and the folders the game and the
# menu entries go to, ORBEL_PROGRAM_DIR and ORBEL_APPLICATIONS_DIR (under the prefix, or
# absolute).
foreach(folder ORBEL_PROGRAM_DIR ORBEL_APPLICATIONS_DIR)
  if(NOT IS_ABSOLUTE "${${folder}}")
    set(${folder} "${CMAKE_INSTALL_PREFIX}/${${folder}}")
  endif()
endforeach()
set(program "${ORBEL_PROGRAM_DIR}/orbelfive")

# TryExec is a plain string; Exec quotes a path holding anything but the safe characters.
string(REPLACE "\\" "\\\\" ORBEL_TRY_EXEC "${program}")
set(ORBEL_EXEC "${ORBEL_TRY_EXEC}")
if(NOT program MATCHES "^[A-Za-z0-9/._+-]+$")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" quoted "${program}")
  string(REPLACE "\\" "\\\\" quoted "${quoted}")
  string(REPLACE "%" "%%" quoted "${quoted}")
  set(ORBEL_EXEC "\"${quoted}\"")
endif()

set(entry "${ORBEL_APPLICATIONS_DIR}/${ORBEL_APP_ID}.desktop")
message(STATUS "Installing: $ENV{DESTDIR}${entry}")
configure_file("${ORBEL_DESKTOP_IN}" "$ENV{DESTDIR}${entry}" @ONLY NO_SOURCE_PERMISSIONS)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
