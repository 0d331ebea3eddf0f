# SPDX-License-Identifier: MIT
# What `cmake --install` puts where, and the Debian package built from it
# with `cpack -G DEB`.
include(GNUInstallDirs)

# Windows: a portable zip, korvane-VERSION-windows-x86_64.zip, of the
# programs with the read-me and the licence beside them (`cpack -G ZIP` in
# the Windows build folder; tools/windows-zip.sh builds and packs it).
if(WIN32)
  install(TARGETS korvane korvane-cli RUNTIME DESTINATION .)
  # The program's own help, beside korvane.exe where its Help button looks.
  if(KORVANE_HALIBUT)
    install(FILES ${CMAKE_BINARY_DIR}/KORVANE.HLP ${CMAKE_BINARY_DIR}/KORVANED.HLP DESTINATION .)
  endif()
  install(FILES ${CMAKE_SOURCE_DIR}/data/windows/README.txt ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME korvane)
  set(CPACK_PACKAGE_VENDOR "The Korvane developers")
  set(CPACK_PACKAGE_FILE_NAME korvane-${PROJECT_VERSION}-windows-x86_64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_STRIP_FILES ON)
  include(CPack)
  return()
endif()

set(KORVANE_APP_ID org.korvane.Korvane)
set(KORVANE_DATA ${CMAKE_SOURCE_DIR}/data)

install(TARGETS korvane korvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(KORVANE_HALIBUT)
  install(FILES ${CMAKE_BINARY_DIR}/KORVANE.HLP ${CMAKE_BINARY_DIR}/KORVANED.HLP DESTINATION ${CMAKE_INSTALL_DATADIR}/korvane)
endif()

# Manual pages and the package's change log go in compressed, as Debian
# wants them; -n keeps the output the same from build to build.
find_program(KORVANE_GZIP gzip REQUIRED)
set(KORVANE_COMPRESSED)
foreach(source man/korvane.1 man/korvane-cli.1 debian/changelog)
  get_filename_component(name ${source} NAME)
  set(out ${CMAKE_BINARY_DIR}/data/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/data
    COMMAND ${KORVANE_GZIP} -9n -c ${KORVANE_DATA}/${source} > ${out}
    DEPENDS ${KORVANE_DATA}/${source} VERBATIM)
  list(APPEND KORVANE_COMPRESSED ${out})
endforeach()
add_custom_target(korvane_data ALL DEPENDS ${KORVANE_COMPRESSED})

install(FILES ${CMAKE_BINARY_DIR}/data/korvane.1.gz ${CMAKE_BINARY_DIR}/data/korvane-cli.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KORVANE_DATA}/${KORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The type of Multimedia Viewer titles, which the shared MIME database has
# not; the desktop entry opens them. Installed from the package, dpkg's
# trigger of shared-mime-info rebuilds the database.
install(FILES ${KORVANE_DATA}/${KORVANE_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME ${KORVANE_APP_ID}.xml)
install(FILES ${KORVANE_DATA}/${KORVANE_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KORVANE_DATA}/${KORVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# bash-completion loads a command's completion from a file of its name.
foreach(command korvane korvane-cli)
  install(FILES ${KORVANE_DATA}/korvane.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${command})
endforeach()
install(FILES ${KORVANE_DATA}/debian/copyright ${CMAKE_BINARY_DIR}/data/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "The Korvane developers")
set(CPACK_PACKAGE_CONTACT "Korvane developer <dev@korvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "get the sources back out of compiled Windows help files")
set(CPACK_PACKAGE_INSTALL_DIRECTORY korvane)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary comes first by itself; this is the long description.
set(CPACK_PACKAGE_DESCRIPTION "Korvane turns a compiled Windows help file (.HLP, also the Multimedia
Viewer titles .MVB, .M13 and .M14) back into what a help compiler needs to
build it again: the help project file, RTF topic files with the help markup,
the pictures and the baggage files.
.
korvane converts with dialogs (and from the file manager); korvane-cli
converts many files at once from scripts.")
# The shared libraries are found by dpkg-shlibdeps; Qt's platform plugins
# and ImageMagick's metafile coder (the web site's pictures) are loaded at
# run time, where it cannot see them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmagickcore-6.q16-6-extra")
# chmcmd compiles the HTML Help files (--chm); without it their projects
# are written alone.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fp-utils")
if(KORVANE_HAVE_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmagickcore-6.q16-6-extra, qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fp-utils, shared-mime-info, xdg-utils")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-translations-l10n")
endif()
include(CPack)
