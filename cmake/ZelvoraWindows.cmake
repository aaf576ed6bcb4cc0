# The Windows build: the version resource and the icon in zelvora-stamp.exe, the help file
# beside it, and the portable zip made by `cpack -G ZIP` (the program, the help page, the
# licence and a short read-me in one folder).

# The version resource takes the numbers of the project's version, and the icon rendered from
# resources/zelvora.svg (scripts/make-windows-icon.sh made resources/windows/zelvora.ico).
set(ZELVORA_VERSION_NUMBERS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")
if(PROJECT_VERSION_PATCH)
  set(ZELVORA_VERSION_NUMBERS
      "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
endif()
set(ZELVORA_ICON_FILE "${CMAKE_SOURCE_DIR}/resources/windows/zelvora.ico")
configure_file(${CMAKE_SOURCE_DIR}/resources/windows/zelvora-stamp.rc.in
               ${CMAKE_BINARY_DIR}/zelvora-stamp.rc @ONLY)
target_sources(zelvora-stamp PRIVATE ${CMAKE_BINARY_DIR}/zelvora-stamp.rc)
set_property(SOURCE ${CMAKE_BINARY_DIR}/zelvora-stamp.rc APPEND PROPERTY
             OBJECT_DEPENDS ${ZELVORA_ICON_FILE})

# Every program that reads the user's folders and the command line as Windows gives them.
foreach(target zelvora_core zelvora_cli)
  target_link_libraries(${target} PUBLIC shell32 ole32 advapi32)
endforeach()

# The help file lies beside the program, as it does in the zip.
set(ZELVORA_HELP_SOURCE "${CMAKE_SOURCE_DIR}/resources/help/Zelvora.htm")
add_custom_target(zelvora_help ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZELVORA_HELP_SOURCE}
          $<TARGET_FILE_DIR:zelvora-stamp>/Zelvora.htm
  DEPENDS ${ZELVORA_HELP_SOURCE}
  COMMENT "Placing Zelvora.htm beside the program")

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
include(CPack)
