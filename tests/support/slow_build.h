// slow_build.h — kSlowBuild: true where the sanitizers (or the emulators of the 32-bit builds) make big inputs slow.
#pragma once

namespace peltatxt::testing {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSlowBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSlowBuild = true;
#else
inline constexpr bool kSlowBuild = sizeof(void*) < 8;
#endif
#else
inline constexpr bool kSlowBuild = sizeof(void*) < 8;
#endif

}  // namespace peltatxt::testing
