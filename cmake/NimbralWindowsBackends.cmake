# The Windows backends alone, for a build machine that has no Windows Qt, OpenSSL, libaom or
# dav1d: the capture, input, platform and service pieces that talk to Windows, which need none of
# them, and their tests. spdlog, fmt and nlohmann-json come header-only from the build machine's
# own headers.
set(nimbral_host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${nimbral_host_headers})
foreach(dir spdlog fmt nlohmann)
    if(NOT EXISTS /usr/include/${dir})
        message(FATAL_ERROR "Nimbral: the Windows build needs /usr/include/${dir} (scripts/setup.sh)")
    endif()
    file(CREATE_LINK /usr/include/${dir} ${nimbral_host_headers}/${dir} SYMBOLIC)
endforeach()
add_library(nimbral_spdlog_header_only INTERFACE)
target_include_directories(nimbral_spdlog_header_only SYSTEM INTERFACE ${nimbral_host_headers})
target_compile_definitions(nimbral_spdlog_header_only INTERFACE SPDLOG_HEADER_ONLY FMT_HEADER_ONLY)
add_library(spdlog::spdlog ALIAS nimbral_spdlog_header_only)
add_library(nimbral_json_header_only INTERFACE)
target_include_directories(nimbral_json_header_only SYSTEM INTERFACE ${nimbral_host_headers})
add_library(nlohmann_json::nlohmann_json ALIAS nimbral_json_header_only)

add_subdirectory(Client/src/platform)
add_subdirectory(Client/src/capture)
add_subdirectory(Client/src/input)
add_subdirectory(Client/src/service)

if(NIMBRAL_BUILD_TESTS)
    enable_testing()
    # Debian ships GoogleTest's source; built here with the cross compiler.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    add_subdirectory(tests)
endif()
