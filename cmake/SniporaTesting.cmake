# Under SNIPORA_SANITIZE every test runs with these settings: a finding fails
# the test, and third-party leaks are suppressed from one file, with reasons.
set(SNIPORA_SANITIZER_ENVIRONMENT "")
if(SNIPORA_SANITIZE)
    set(snipora_sanitizer_dir "${PROJECT_SOURCE_DIR}/sanitizers")
    set(SNIPORA_SANITIZER_ENVIRONMENT
        "ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:strict_string_checks=1:check_initialization_order=1:fast_unwind_on_malloc=0"
        "LSAN_OPTIONS=suppressions=${snipora_sanitizer_dir}/lsan.supp:print_suppressions=0"
        "UBSAN_OPTIONS=suppressions=${snipora_sanitizer_dir}/ubsan.supp:print_stacktrace=1:halt_on_error=1")
endif()

# snipora_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One executable per test file, registered with ctest and run headless.
function(snipora_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE snipora_common snipora_testsupport Qt6::Test ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set(environment QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software ${SNIPORA_SANITIZER_ENVIRONMENT})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "${environment}")
endfunction()
