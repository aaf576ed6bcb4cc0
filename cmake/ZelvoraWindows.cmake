# The Windows build: the version resource and the icon in zelvora-stamp.exe, the help file
# beside it, the window with what it loads (cmake/ZelvoraWindowsGui.cmake), the portable zip
# made by `cpack -G ZIP` (the programs, the help page, the licence and a short read-me in one
# folder) and the installer made by `cpack -G NSIS`.

# The version resource takes the numbers of the project's version, and the icon rendered from
# resources/zelvora.svg (scripts/make-windows-icon.sh made resources/windows/zelvora.ico).
set(ZELVORA_VERSION_NUMBERS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")
if(PROJECT_VERSION_PATCH)
  set(ZELVORA_VERSION_NUMBERS
      "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
endif()
set(ZELVORA_ICON_FILE "${CMAKE_SOURCE_DIR}/resources/windows/zelvora.ico")

# Gives program `target` the version resource and the icon, described as `description`.
function(zelvora_add_program_resource target description)
  set(ZELVORA_RC_PROGRAM ${target})
  set(ZELVORA_RC_DESCRIPTION "${description}")
  set(rc_file ${CMAKE_BINARY_DIR}/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/resources/windows/program.rc.in ${rc_file} @ONLY)
  target_sources(${target} PRIVATE ${rc_file})
  set_property(SOURCE ${rc_file} APPEND PROPERTY OBJECT_DEPENDS ${ZELVORA_ICON_FILE})
endfunction()
zelvora_add_program_resource(zelvora-stamp
  "Zelvora: writes last-updated dates into the pages of a web site")

# Every program that reads the user's folders and the command line as Windows gives them.
foreach(target zelvora_core zelvora_cli)
  target_link_libraries(${target} PUBLIC shell32 ole32 advapi32 mpr)
endforeach()

# The help file lies beside the program, as it does in the zip.
set(ZELVORA_HELP_SOURCE "${CMAKE_SOURCE_DIR}/resources/help/Zelvora.htm")
add_custom_target(zelvora_help ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZELVORA_HELP_SOURCE}
          $<TARGET_FILE_DIR:zelvora-stamp>/Zelvora.htm
  DEPENDS ${ZELVORA_HELP_SOURCE}
  COMMENT "Placing Zelvora.htm beside the program")

# The window and what it loads (when the build has the GUI: a Qt for Windows was found).
if(TARGET zelvora)
  include(${CMAKE_SOURCE_DIR}/cmake/ZelvoraWindowsGui.cmake)
endif()

# The zip: one folder with everything side by side, as the program expects to find its help
# and, when the folder is writable, to keep its log.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
install(TARGETS zelvora-stamp RUNTIME DESTINATION .)
install(FILES ${ZELVORA_HELP_SOURCE} ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/resources/windows/README.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME zelvora)
set(CPACK_PACKAGE_VENDOR "The Zelvora developers")
set(CPACK_PACKAGE_FILE_NAME "zelvora-${PROJECT_VERSION}-windows-x64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
# The installer (`cpack -G NSIS`, when the window is built): the template
# packaging/windows/NSIS.template.in, the program's icon, the licence as its first page.
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_SOURCE_DIR}/packaging/windows)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/packaging/windows/CPackOptions.cmake)
set(CPACK_NSIS_MUI_ICON ${ZELVORA_ICON_FILE})
set(CPACK_NSIS_MUI_UNIICON ${ZELVORA_ICON_FILE})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
include(CPack)
