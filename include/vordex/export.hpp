// Symbol visibility of the typed C++ API (libvordex_cpp).
#ifndef VORDEX_EXPORT_HPP
#define VORDEX_EXPORT_HPP

#if defined(_WIN32)
#define VORDEX_CPP_API
#else
#define VORDEX_CPP_API __attribute__((visibility("default")))
#endif

#endif  // VORDEX_EXPORT_HPP
