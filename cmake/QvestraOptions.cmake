# One interface target that every project target links, so warnings, the
# language level and the sanitizer switch are decided in one place.
option(QVESTRA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QVESTRA_FUZZ "Build the libFuzzer targets (clang, together with QVESTRA_SANITIZE)" OFF)
# A newer compiler on a packager's machine warns where ours did not: there
# warnings stay warnings. The project's own test run turns this on.
option(QVESTRA_WERROR "Treat compiler warnings as errors" OFF)
# The client alone needs neither Qt Test nor cpp-httplib.
option(QVESTRA_BUILD_TESTING "Build the tests (they need the demo service)" ON)
option(QVESTRA_BUILD_DEMO "Build the demo service (needs cpp-httplib)" ON)
option(QVESTRA_BUILD_BENCH "Build the benchmark helpers" ON)
if(QVESTRA_BUILD_TESTING AND NOT QVESTRA_BUILD_DEMO)
    message(FATAL_ERROR "QVESTRA_BUILD_TESTING needs QVESTRA_BUILD_DEMO: the tests run against the demo service")
endif()

add_library(qvestra_options INTERFACE)
target_compile_features(qvestra_options INTERFACE cxx_std_20)
target_compile_options(qvestra_options INTERFACE -Wall -Wextra -Wpedantic $<$<BOOL:${QVESTRA_WERROR}>:-Werror>)
# The standard library's own checks turn an index past an array's end into an
# abort at the spot instead of a read of whatever lies beyond.
target_compile_definitions(qvestra_options INTERFACE
    QT_NO_KEYWORDS QT_NO_CAST_FROM_BYTEARRAY _GLIBCXX_ASSERTIONS)

if(QVESTRA_SANITIZE)
    # Line tables are all a sanitizer's report needs to name file and line,
    # at a fraction of full debug information's build time.
    target_compile_options(qvestra_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
        $<IF:$<CXX_COMPILER_ID:Clang>,-gline-tables-only,-g1>)
    target_link_options(qvestra_options INTERFACE -fsanitize=address,undefined)
endif()

if(QVESTRA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR NOT QVESTRA_SANITIZE)
        message(FATAL_ERROR "QVESTRA_FUZZ needs clang and QVESTRA_SANITIZE=ON")
    endif()
    # Coverage feedback from the code under test, not only from the targets.
    target_compile_options(qvestra_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# add_qt_test(<name> [XVFB] [MAY_SKIP] SOURCES <files...> LIBS <targets...>)
# Widgets run on the offscreen platform so the suite needs no display; a test
# of what only a real X server has (its windows, its OpenGL) gets an Xvfb of
# its own instead.
# A test that cannot run at all where it finds itself ends with 77
# (SkipWholeUnless in tests/fakes/support.h); with MAY_SKIP ctest counts that
# as skipped. Only such tests get the code: Qt Test's exit code is the number
# of failed checks, and 77 of them must stay a failure. A QSKIP would count
# as passed, so its line fails the test.
function(add_qt_test name)
    cmake_parse_arguments(ARG "XVFB;MAY_SKIP" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE qvestra_options Qt6::Test ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    # Qt Test and Qt Widgets are most of what a test's compile parses: they
    # are parsed once for every test (qvestra_test_headers).
    target_precompile_headers(${name} REUSE_FROM qvestra_test_headers)
    if(ARG_XVFB)
        add_test(NAME ${name} COMMAND xvfb-run -a -s "-screen 0 640x480x24 -noreset" $<TARGET_FILE:${name}>)
        set_tests_properties(${name} PROPERTIES TIMEOUT 60)
    else()
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false"
            TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES FAIL_REGULAR_EXPRESSION "SKIP   : " LABELS unit)
    if(ARG_MAY_SKIP)
        set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
    endif()
endfunction()
