# Run as `cmake -DSOURCE_DIR=... -P check_layering.cmake`: fails when the imports between the
# source folders do not point one way,
#   platform <- settings <- run <- links, records <- engine <- cli, gui
# (inside gui: components <- settings_dialog <- app), or when a source of the engine library
# includes a Qt header or uses a Qt macro.

cmake_minimum_required(VERSION 3.25)

# Each folder and the folders its sources may include from (besides itself).
set(allowed_platform)
set(allowed_settings platform)
set(allowed_run platform settings)
set(allowed_links platform settings run)
set(allowed_records platform settings run)
set(allowed_engine platform settings run links records)
set(allowed_cli platform settings run links records engine)
set(allowed_gui/components platform settings run links records engine)
set(allowed_gui/settings_dialog ${allowed_gui/components} gui/components)
set(allowed_gui/app ${allowed_gui/settings_dialog} gui/settings_dialog)
set(folders platform settings run links records engine cli gui/components gui/settings_dialog
            gui/app)
set(core_folders platform settings run links records engine)
set(known_roots platform settings run links records engine cli gui)

set(offenders)
foreach(folder IN LISTS folders)
  file(GLOB sources ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
      string(REGEX REPLACE "/[^/]*$" "" included_folder "${included}")
      string(REGEX REPLACE "/.*" "" included_root "${included}")
      if(included_folder STREQUAL folder OR NOT included_root IN_LIST known_roots)
        continue()
      endif()
      if(NOT included_folder IN_LIST allowed_${folder})
        list(APPEND offenders "${source}: ${folder}/ must not include ${included}")
      endif()
    endforeach()
    if(folder IN_LIST core_folders)
      file(STRINGS ${source} hits
           REGEX "#[ \t]*include[ \t]*[<\"]Q[A-Za-z]|Q_OBJECT|QT_BEGIN_NAMESPACE")
      if(hits)
        list(APPEND offenders "${source}: Qt reaches the engine library: ${hits}")
      endif()
    endif()
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n" text)
  message(FATAL_ERROR "The layering is broken:\n${text}")
endif()
message(STATUS "Imports point one way, and the engine library includes no Qt header")
