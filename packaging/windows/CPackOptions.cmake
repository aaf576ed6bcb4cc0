# Read by cpack for every generator it runs: the installer is named zelvora-VERSION-setup.exe,
# the zip keeps the name set in the build (zelvora-VERSION-windows-x64.zip).
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "zelvora-${CPACK_PACKAGE_VERSION}-setup")
  # The installer lays the files straight into the folder the user chose.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
