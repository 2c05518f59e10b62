// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether the tests run under the address sanitizer, whose shadow memory and quarantine make
// memory figures and some limits meaningless.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif
