# The window on Windows: zelvora.exe without a console window, with the version resource and
# the icon, and beside it what it loads, laid out as Qt's deployment tool lays it out: Qt's
# DLLs, the `windows` platform plugin in platforms/, the Windows style in styles/, Qt's
# Japanese texts in translations/ and MinGW's C++ runtime DLLs, which Qt's DLLs were built
# against (the program shares them; zelvora-stamp.exe keeps its runtime linked in). No image
# format plugin is needed: the icon is PNG, which Qt reads itself. Qt is the one that
# scripts/build-qt-windows.sh cross-built into its cache.

set_target_properties(zelvora PROPERTIES WIN32_EXECUTABLE ON ZELVORA_SHARED_RUNTIME ON)
zelvora_add_program_resource(zelvora "Zelvora: the window that writes last-updated dates")

# The Qt installation the build found (its lib/cmake/Qt6 is Qt6_DIR).
get_filename_component(ZELVORA_QT_PREFIX "${Qt6_DIR}/../../.." ABSOLUTE)
# Qt's translations do not depend on the system: Debian's qt6-translations-l10n serves.
set(ZELVORA_QT_TRANSLATIONS_DIR "/usr/share/qt6/translations"
    CACHE PATH "The folder holding qtbase_ja.qm (Debian: qt6-translations-l10n)")

# MinGW's runtime DLLs, stripped into the build folder once: as Debian ships them they carry
# their debug sections (libstdc++-6.dll would be 20 MB).
set(ZELVORA_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
    message(FATAL_ERROR "MinGW's ${dll} was not found (the compiler said: ${dll_path})")
  endif()
  set(stripped ${CMAKE_BINARY_DIR}/runtime/${dll})
  add_custom_command(OUTPUT ${stripped}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/runtime
    COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${stripped} ${dll_path}
    DEPENDS ${dll_path}
    COMMENT "Stripping ${dll}")
  list(APPEND ZELVORA_RUNTIME_DLLS ${stripped})
endforeach()
add_custom_target(zelvora_runtime_dlls DEPENDS ${ZELVORA_RUNTIME_DLLS})

# Pairs of a file and the folder beside the program that it goes to ("." for the program's
# own folder).
set(ZELVORA_QT_DEPLOYMENT
  "${ZELVORA_QT_PREFIX}/bin/Qt6Core.dll|."
  "${ZELVORA_QT_PREFIX}/bin/Qt6Gui.dll|."
  "${ZELVORA_QT_PREFIX}/bin/Qt6Widgets.dll|."
  "${ZELVORA_QT_PREFIX}/plugins/platforms/qwindows.dll|platforms"
  "${ZELVORA_QT_PREFIX}/plugins/styles/qwindowsvistastyle.dll|styles"
  "${ZELVORA_QT_TRANSLATIONS_DIR}/qtbase_ja.qm|translations")
foreach(dll IN LISTS ZELVORA_RUNTIME_DLLS)
  list(APPEND ZELVORA_QT_DEPLOYMENT "${dll}|.")
endforeach()
# Tests and tools run on Qt's offscreen platform, which the program itself never uses.
set(ZELVORA_QT_OFFSCREEN_DEPLOYMENT "${ZELVORA_QT_PREFIX}/plugins/platforms/qoffscreen.dll|platforms")

# Makes program `target` link the shared runtime and lays what it loads beside it whenever it
# is built; OFFSCREEN adds the offscreen platform plugin.
function(zelvora_deploy_qt_beside target)
  cmake_parse_arguments(PARSE_ARGV 1 deploy "OFFSCREEN" "" "")
  set_target_properties(${target} PROPERTIES ZELVORA_SHARED_RUNTIME ON)
  set(entries ${ZELVORA_QT_DEPLOYMENT})
  if(deploy_OFFSCREEN)
    list(APPEND entries ${ZELVORA_QT_OFFSCREEN_DEPLOYMENT})
  endif()
  set(commands)
  foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 file)
    list(GET parts 1 folder)
    list(APPEND commands
      COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/${folder}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} $<TARGET_FILE_DIR:${target}>/${folder}/)
  endforeach()
  add_custom_target(${target}_qt_deployment ${commands} VERBATIM)
  add_dependencies(${target}_qt_deployment zelvora_runtime_dlls)
  add_dependencies(${target} ${target}_qt_deployment)
endfunction()

zelvora_deploy_qt_beside(zelvora)
foreach(tool zelvora-screenshots zelvora-dialog-screenshots)
  if(TARGET ${tool})
    zelvora_deploy_qt_beside(${tool} OFFSCREEN)
  endif()
endforeach()

# Installed (the installer and the zip): the program and what it loads, side by side.
install(TARGETS zelvora RUNTIME DESTINATION .)
foreach(entry IN LISTS ZELVORA_QT_DEPLOYMENT)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 file)
  list(GET parts 1 folder)
  install(FILES ${file} DESTINATION ${folder})
endforeach()
