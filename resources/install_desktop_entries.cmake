# SPDX-License-Identifier: MIT
# Run by cmake --install: writes the desktop entries with the full paths of the installed
# programs, so that a --prefix given only at install time is honoured. WK_RESOURCES and
# WK_STAGE (and WK_BINDIR, WK_DATADIR) are set by the install step before this script.
foreach(program IN ITEMS Wordkeeper WordkeeperAdd)
    # Exec quotes the path: inside the quotes \ " ` and $ take a backslash, and the entry's
    # string escaping doubles every backslash once more.
    string(REGEX REPLACE "([\\\\\"`$])" "\\\\\\1" quoted "${CMAKE_INSTALL_PREFIX}/${WK_BINDIR}/${program}")
    string(REPLACE "\\" "\\\\" quoted "${quoted}")
    set(WK_EXEC "\"${quoted}\"")
    configure_file("${WK_RESOURCES}/org.quillwren.${program}.desktop.in"
                   "${WK_STAGE}/org.quillwren.${program}.desktop" @ONLY)
    file(INSTALL "${WK_STAGE}/org.quillwren.${program}.desktop"
         DESTINATION "${CMAKE_INSTALL_PREFIX}/${WK_DATADIR}/applications")
endforeach()
