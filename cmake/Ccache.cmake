# Recompiles after a clean clone are cheap when ccache is around; without it nothing changes.
find_program(NIMBRAL_CCACHE ccache)
if(NIMBRAL_CCACHE)
    set(CMAKE_C_COMPILER_LAUNCHER "${NIMBRAL_CCACHE}")
    set(CMAKE_CXX_COMPILER_LAUNCHER "${NIMBRAL_CCACHE}")
    message(STATUS "Nimbral: compiler cache: ${NIMBRAL_CCACHE}")
else()
    message(STATUS "Nimbral: compiler cache: none")
endif()
