# Flags every first-party target shares. Third-party headers come in as system includes through
# their imported targets, so -Wall -Wextra only ever speaks about our own code.
option(NIMBRAL_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
option(NIMBRAL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(nimbral_options INTERFACE)
target_compile_options(nimbral_options INTERFACE -Wall -Wextra)
if(NIMBRAL_WARNINGS_AS_ERRORS)
    target_compile_options(nimbral_options INTERFACE -Werror)
endif()
# Main-thread-only classes check their callers' thread (common/main_thread.h).
option(NIMBRAL_THREAD_CHECKS "Abort when a main-thread-only class is called from another thread" OFF)
if(NIMBRAL_THREAD_CHECKS)
    target_compile_definitions(nimbral_options INTERFACE NIMBRAL_THREAD_CHECKS)
    message(STATUS "Nimbral: main-thread checks on")
endif()
if(NIMBRAL_SANITIZE)
    target_compile_options(nimbral_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(nimbral_options INTERFACE -fsanitize=address,undefined)
    message(STATUS "Nimbral: sanitizers: address, undefined")
endif()

# The fuzz build instruments every first-party library for libFuzzer's coverage feedback and
# checks it with AddressSanitizer and UndefinedBehaviorSanitizer; only the fuzz programs link the
# libFuzzer driver itself.
option(NIMBRAL_FUZZ "Build the libFuzzer targets in fuzz/ (needs clang)" OFF)
if(NIMBRAL_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "NIMBRAL_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
    endif()
    target_compile_options(nimbral_options INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer)
    target_link_options(nimbral_options INTERFACE -fsanitize=address,undefined)
    message(STATUS "Nimbral: fuzz build (libFuzzer, address, undefined)")
endif()

# nimbral_add_library(name SOURCES ...): one static library per subsystem.
function(nimbral_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS;DEFINITIONS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_link_libraries(${name} PUBLIC nimbral_options ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
    target_include_directories(${name} PUBLIC ${NIMBRAL_SOURCE_ROOT})
    if(ARG_DEFINITIONS)
        target_compile_definitions(${name} PUBLIC ${ARG_DEFINITIONS})
    endif()
endfunction()
