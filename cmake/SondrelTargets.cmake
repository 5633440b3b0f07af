# Shared build settings and the helpers every layer uses.

set(SONDREL_WARNINGS -Wall -Wextra -Werror)
# GCC 12's flow-based checks see out-of-bounds and overlapping copies inside
# the standard library's inlined string and vector code at -O3 (Release) that
# cannot happen; they stay warnings there instead of stopping the build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    list(APPEND SONDREL_WARNINGS -Wno-error=array-bounds -Wno-error=restrict
                                 -Wno-error=stringop-overflow)
endif()

if(SONDREL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
if(SONDREL_FUZZ)
    # Every library gets coverage instrumentation; only fuzz targets link the driver.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
    add_custom_target(fuzzers)
endif()
if(SONDREL_TSAN)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

# sondrel_library(NAME SOURCES...): a static library of one layer, with the
# project's warnings, its folder's parent as include root ("runtime/core/Text.h").
function(sondrel_library name)
    add_library(${name} STATIC ${ARGN})
    target_compile_options(${name} PRIVATE ${SONDREL_WARNINGS})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# Every test program stops at a mistaken message send, whatever the build type
# (platform/objc/MessageMistakes.h).
set(SONDREL_TEST_SUPPORT ${PROJECT_SOURCE_DIR}/platform/objc/MessageChecksInTests.cpp)

# sondrel_tests(NAME LIBS...): one test program per folder built from every
# *_test.cpp beside the code, linked with the given libraries, registered with
# CTest test by test. Tests get the offscreen Qt platform and the build's
# bin folder (where afconvert and helpers live) at the front of PATH.
function(sondrel_tests name)
    file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    sondrel_test_program(${name} SOURCES ${test_sources} LIBS ${ARGN})
endfunction()

# sondrel_test_program(NAME SOURCES files... LIBS libs...): the same for a
# folder that builds more than one library and so names each test program's
# sources itself.
function(sondrel_test_program name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBS")
    if(NOT arg_SOURCES)
        return()
    endif()
    add_executable(${name} ${arg_SOURCES} ${SONDREL_TEST_SUPPORT})
    target_compile_options(${name} PRIVATE ${SONDREL_WARNINGS})
    target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gtest GTest::gtest_main)
    # The environment is given through the test program's launcher: a list
    # handed to gtest_discover_tests as the ENVIRONMENT property loses its
    # separators on the way, and only its first entry would reach the tests.
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
        ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen SONDREL_BIN=${CMAKE_BINARY_DIR}/bin
        PATH=${CMAKE_BINARY_DIR}/bin:$ENV{PATH})
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS ${name})
endfunction()

# sondrel_fuzzer(NAME SOURCE LIBS...): a libFuzzer target, built only with
# SONDREL_FUZZ on a clang compiler.
function(sondrel_fuzzer name source)
    if(NOT SONDREL_FUZZ)
        return()
    endif()
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE ${SONDREL_WARNINGS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${ARGN})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    add_dependencies(fuzzers ${name})
endfunction()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# sondrel_benchmark(NAME SOURCE LIBS...): a Google Benchmark program whose
# source lives in bench/; each layer registers its own. bench/run.sh runs them.
if(SONDREL_BENCH)
    find_package(benchmark REQUIRED)
endif()
function(sondrel_benchmark name source)
    if(NOT SONDREL_BENCH)
        return()
    endif()
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE ${SONDREL_WARNINGS})
    target_link_libraries(${name} PRIVATE ${ARGN} benchmark::benchmark)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
