# Clang's source-based coverage, for measuring how much of the readers and
# writers the fuzz corpus reaches (fuzz/coverage).

include_guard(GLOBAL)

if(PELLUMIR_COVERAGE)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "PELLUMIR_COVERAGE needs clang; configure with CXX=clang++")
    endif()
    target_compile_options(pellumir_options INTERFACE -fprofile-instr-generate -fcoverage-mapping)
    target_link_options(pellumir_options INTERFACE -fprofile-instr-generate)
endif()
