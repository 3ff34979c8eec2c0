#pragma once

// Whether this build runs under AddressSanitizer (GCC says so with a macro, clang through
// __has_feature). Its quarantine holds freed memory back and its red zones pad every block, so
// resident-memory figures and timings mean nothing there; tests that measure them say so.
#if defined(__SANITIZE_ADDRESS__)
#define NIMBRAL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NIMBRAL_ADDRESS_SANITIZER 1
#endif
#endif

namespace nimbral::test {

#if defined(NIMBRAL_ADDRESS_SANITIZER)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif

} // namespace nimbral::test
