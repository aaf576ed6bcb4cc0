# Compiler options of a fuzzing build (-DZELVORA_BUILD_FUZZ=ON): clang's libFuzzer with the
# address and undefined-behaviour sanitizers. Everything is compiled with coverage, so that
# the fuzzer sees the paths it takes through the engine; any sanitizer report stops the run.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "ZELVORA_BUILD_FUZZ needs clang (configure with CXX=clang++)")
endif()
set(ZELVORA_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all)
add_compile_options(-fsanitize=fuzzer-no-link ${ZELVORA_FUZZ_SANITIZERS} -fno-omit-frame-pointer -g)
add_link_options(${ZELVORA_FUZZ_SANITIZERS})
