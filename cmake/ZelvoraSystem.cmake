# The kind of system the build is for, and what building for it takes.
#
# Code that differs between systems sits beside its one header as <unit>_posix.cpp and
# <unit>_win32.cpp (headers that only one system's code includes carry the suffix too); tests
# of one system's behaviour are named <unit>_posix_test.cpp and <unit>_win32_test.cpp.

if(WIN32)
  set(ZELVORA_SYSTEM win32)
  set(ZELVORA_OTHER_SYSTEM posix)
else()
  set(ZELVORA_SYSTEM posix)
  set(ZELVORA_OTHER_SYSTEM win32)
endif()

# Removes from the list `sources_var` the files that belong to the other kind of system.
function(zelvora_keep_sources_of_this_system sources_var)
  set(sources ${${sources_var}})
  list(FILTER sources EXCLUDE REGEX "_${ZELVORA_OTHER_SYSTEM}(_test)?\\.cpp$")
  set(${sources_var} ${sources} PARENT_SCOPE)
endfunction()

if(WIN32)
  # Windows 10 and later; the wide-character forms of the system's calls; a program that
  # runs without the compiler's DLLs beside it. Programs that link Qt (target property
  # ZELVORA_SHARED_RUNTIME) share the C++ runtime DLLs that Qt's own DLLs were built with,
  # so that one runtime serves the program and Qt alike.
  add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE
                          WIN32_LEAN_AND_MEAN NOMINMAX _POSIX_THREAD_SAFE_FUNCTIONS=200112L)
  add_link_options(
    "$<$<NOT:$<BOOL:$<TARGET_PROPERTY:ZELVORA_SHARED_RUNTIME>>>:-static;-static-libgcc;-static-libstdc++>")
endif()
