# AddressSanitizer and UndefinedBehaviorSanitizer for every target that links
# pellumir_options, and the environment their tests run in.
#
# Every check stops the program at its first report (-fno-sanitize-recover),
# so that a test or a fuzzer cannot pass over undefined behaviour.

include_guard(GLOBAL)

# Run-time options of the sanitized programs. They are built into every
# sanitized program (sanitizer_defaults.cpp), because ctest cannot hand a
# list of variables to the tests that gtest_discover_tests finds; tests
# added with add_test get them as PELLUMIR_TEST_ENVIRONMENT as well.
# - allocator_may_return_null: the memory budget refuses huge pictures, and
#   tests also probe what a failed allocation does; a refused malloc must
#   return null there instead of ending the run.
# - detect_leaks: a reader that forgets its buffer on an error path fails.
# - detect_stack_use_after_return, check_initialization_order,
#   strict_init_order, strict_string_checks: the stricter checks, which are
#   off by default because they cost time or memory.
set(PELLUMIR_ASAN_OPTIONS
    "allocator_may_return_null=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1:abort_on_error=0:print_summary=1")
set(PELLUMIR_UBSAN_OPTIONS "print_stacktrace=1:halt_on_error=1:report_error_type=1")

set(PELLUMIR_TEST_ENVIRONMENT "")

function(pellumir_enable_sanitizers target)
    # -fsanitize=undefined holds every check of behaviour that the language
    # leaves undefined, alignment included. GCC leaves two of them out of
    # the group: float-cast-overflow (a float too large for its integer
    # type, which the encoders must never produce) and the stricter array
    # bounds. The checks for defined behaviour (unsigned wrap-around,
    # implicit conversions, division of floats by zero, which IEEE 754
    # defines) are not wanted: the code relies on them.
    set(checks address,undefined,alignment,float-cast-overflow)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        string(APPEND checks ",bounds-strict")
    endif()
    target_compile_options(${target} INTERFACE
        -fsanitize=${checks} -fno-sanitize-recover=all -fno-omit-frame-pointer
        -fno-optimize-sibling-calls)
    # Bounds checks in the standard containers, which ASan cannot see
    # within a vector's capacity.
    target_compile_definitions(${target} INTERFACE _GLIBCXX_ASSERTIONS)
    target_link_options(${target} INTERFACE -fsanitize=${checks} -fno-sanitize-recover=all)
endfunction()

if(PELLUMIR_SANITIZE)
    pellumir_enable_sanitizers(pellumir_options)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/sanitizer_defaults.cpp.in
                   ${PROJECT_BINARY_DIR}/sanitizer_defaults.cpp @ONLY)
    target_sources(pellumir_options INTERFACE ${PROJECT_BINARY_DIR}/sanitizer_defaults.cpp)
    set(PELLUMIR_TEST_ENVIRONMENT
        "ASAN_OPTIONS=${PELLUMIR_ASAN_OPTIONS}" "UBSAN_OPTIONS=${PELLUMIR_UBSAN_OPTIONS}")
endif()
