# Installing Zelvora: the two programs and the help file together in one program folder
# (lib/zelvora under the prefix) with relative links in bin/, the desktop entry, the icon in
# the hicolor theme, the man page, and a Debian package built by `cpack -G DEB`.

include(GNUInstallDirs)

# Installing and packaging take what the build made and never start a build themselves, so
# the package test can run cpack inside a test run (build first, then install or package).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(ZELVORA_PROGRAM_INSTALL_DIR "lib/zelvora")
# The icon theme folder that the build renders the program's icon into (scalable/apps and
# NxN/apps), and the manual page of zelvora-stamp; each is installed when it exists.
set(ZELVORA_ICON_THEME_DIR "${CMAKE_BINARY_DIR}/icons/hicolor"
    CACHE PATH "The program's icon rendered for the hicolor theme, installed when present")
if(NOT DEFINED ZELVORA_MAN_PAGE)
  set(ZELVORA_MAN_PAGE "${CMAKE_BINARY_DIR}/zelvora-stamp.1")
endif()

# The help file lies beside the built programs, so a program run from the build folder finds
# it as an installed one does.
set(ZELVORA_HELP_SOURCE "${CMAKE_SOURCE_DIR}/resources/help/Zelvora.htm")
add_custom_target(zelvora_help ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZELVORA_HELP_SOURCE}
          $<TARGET_FILE_DIR:zelvora-stamp>/Zelvora.htm
  DEPENDS ${ZELVORA_HELP_SOURCE}
  COMMENT "Placing Zelvora.htm beside the programs")

set(zelvora_programs zelvora-stamp)
if(TARGET zelvora)
  list(APPEND zelvora_programs zelvora)
endif()
install(TARGETS ${zelvora_programs} RUNTIME DESTINATION ${ZELVORA_PROGRAM_INSTALL_DIR})
install(FILES ${ZELVORA_HELP_SOURCE} DESTINATION ${ZELVORA_PROGRAM_INSTALL_DIR})

# bin/ gets relative symbolic links, so the programs find their folder (and the help file in
# it) through /proc/self/exe wherever the tree is unpacked.
file(RELATIVE_PATH zelvora_bin_to_program "/prefix/${CMAKE_INSTALL_BINDIR}"
     "/prefix/${ZELVORA_PROGRAM_INSTALL_DIR}")
foreach(program IN LISTS zelvora_programs)
  set(link "${CMAKE_BINARY_DIR}/install-links/${program}")
  file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/install-links")
  file(CREATE_LINK "${zelvora_bin_to_program}/${program}" "${link}" SYMBOLIC)
  install(FILES "${link}" DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/packaging/zelvora.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The manual pages and the changelog are installed gzipped, as Debian's policy asks, by
# gzip -9n: no name or time inside, so the same sources always give the same bytes. The
# changelog and the manual page of zelvora carry the project's version.
find_program(ZELVORA_GZIP gzip REQUIRED)
set(ZELVORA_DOCS_DIR "${CMAKE_BINARY_DIR}/install-docs")
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${ZELVORA_DOCS_DIR}/changelog @ONLY)
set(zelvora_man_sources ${ZELVORA_MAN_PAGE})
if(TARGET zelvora)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/zelvora.1.in ${ZELVORA_DOCS_DIR}/zelvora.1 @ONLY)
  list(APPEND zelvora_man_sources ${ZELVORA_DOCS_DIR}/zelvora.1)
endif()
set(zelvora_gzipped)
foreach(source IN LISTS zelvora_man_sources ITEMS ${ZELVORA_DOCS_DIR}/changelog)
  get_filename_component(name ${source} NAME)
  set(copy ${ZELVORA_DOCS_DIR}/gzipped/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${ZELVORA_GZIP} -9nf ${copy}
    DEPENDS ${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
  list(APPEND zelvora_gzipped ${copy}.gz)
endforeach()
add_custom_target(zelvora_docs ALL DEPENDS ${zelvora_gzipped})
list(FILTER zelvora_gzipped EXCLUDE REGEX "/changelog\\.gz$")
install(FILES ${zelvora_gzipped} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ZELVORA_DOCS_DIR}/gzipped/changelog.gz ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${ZELVORA_ICON_THEME_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor
        OPTIONAL)

# The Debian package. dpkg-shlibdeps finds the libraries the programs link; the rest of what
# they need at run time is declared by hand: Qt's platform plugins and Japanese translation,
# a Japanese font, and xdg-utils for opening help, logs and pages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvora)
set(CPACK_PACKAGE_VENDOR "The Zelvora developers")
set(CPACK_PACKAGE_CONTACT "The Zelvora developers <zelvora@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "writes last-updated dates into the pages of a web site kept as local HTML files")
# CPack makes the summary the description's first line and indents the lines given here.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Zelvora writes each page's last-updated date between comment marks, follows\nlocal links to stamp linked pages, keeps numbered backups and a bounded log.\nIt has a desktop program (zelvora) and a command-line front end\n(zelvora-stamp).")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ZELVORA_AUTHOR_WEB_PAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, fonts-ipafont-gothic")
if(TARGET zelvora)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", qt6-qpa-plugins, qt6-translations-l10n")
endif()
# Dates from git history (the UseGitDates option) need git; without it a run says so and
# uses last-write times.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "git")
set(CPACK_STRIP_FILES ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/DebInstalledSize.cmake)
include(CPack)
