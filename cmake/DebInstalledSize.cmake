# Run by CPack after it has made the Debian package (CPACK_POST_BUILD_SCRIPTS): gives the
# package the Installed-Size that dpkg-gencontrol would, since CPack's own figure counts more
# than the package holds. dpkg counts each regular file and symbolic link by its size rounded
# up to KiB (a file with several names once), and every other entry, folders included, as one
# KiB.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-deb cannot unpack ${deb}")
  endif()

  file(GLOB_RECURSE entries LIST_DIRECTORIES true "${tree}/*")
  list(FILTER entries EXCLUDE REGEX "^${tree}/DEBIAN(/|$)")
  set(kib 1)  # the package's root folder
  foreach(entry IN LISTS entries)
    if(IS_SYMLINK "${entry}")
      file(READ_SYMLINK "${entry}" target)
      string(LENGTH "${target}" bytes)
    elseif(IS_DIRECTORY "${entry}")
      set(bytes 1)
    else()
      file(SIZE "${entry}" bytes)
    endif()
    math(EXPR kib "${kib} + (${bytes} + 1023) / 1024")
  endforeach()

  file(READ "${tree}/DEBIAN/control" control)
  string(REGEX REPLACE "Installed-Size: [0-9]+" "Installed-Size: ${kib}" control "${control}")
  file(WRITE "${tree}/DEBIAN/control" "${control}")
  execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${deb}"
                  OUTPUT_QUIET RESULT_VARIABLE failed)
  file(REMOVE_RECURSE "${tree}")
  if(failed)
    message(FATAL_ERROR "dpkg-deb cannot pack ${deb} again")
  endif()
endforeach()
