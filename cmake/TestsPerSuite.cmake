# One CTest test per GoogleTest suite of a test binary, for builds whose test binaries start
# slowly (Windows programs under wine): the suites are read from the sources' TEST, TEST_F and
# TEST_P lines, and each test runs the binary once with a filter for its suite.

# Adds a test "<suite>" for every suite that `sources` define, running `target` with the
# environment `environment` (NAME=VALUE;...).
function(zelvora_add_test_per_suite target sources environment)
  set(suites)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^TEST(_F|_P)?\\([A-Za-z0-9_]+,")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^TEST(_F|_P)?\\(([A-Za-z0-9_]+),.*" "\\2" suite "${line}")
      list(APPEND suites ${suite})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES suites)
  foreach(suite IN LISTS suites)
    # Parameterised suites run as "<instantiation>/<suite>".
    add_test(NAME ${suite} COMMAND ${target} "--gtest_filter=${suite}.*:*/${suite}.*")
    set_tests_properties(${suite} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 600)
  endforeach()
endfunction()
