# Guards the layering: the engine library (platform, settings model, run core, links, records,
# engine)
# builds and links without Qt.

# Fails the configuration when `target` links a Qt library.
function(zelvora_check_core_links_no_qt target)
  get_target_property(libs ${target} LINK_LIBRARIES)
  if(libs)
    foreach(lib IN LISTS libs)
      if(lib MATCHES "Qt[0-9]*::|Qt[0-9]*Core|Qt[0-9]*Widgets")
        message(FATAL_ERROR "${target} must not link ${lib}: the engine library stays free of Qt")
      endif()
    endforeach()
  endif()
endfunction()
