# libFuzzer builds: the whole core is instrumented for coverage-guided
# fuzzing, and fuzz/ links each harness with libFuzzer's own main. Without
# PELLUMIR_FUZZ the harnesses build as programs that replay files instead.

include_guard(GLOBAL)

if(PELLUMIR_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "PELLUMIR_FUZZ needs clang (libFuzzer); configure with CXX=clang++")
    endif()
    target_compile_options(pellumir_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
