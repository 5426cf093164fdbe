#ifndef QEVA_FLUTTER_C_API_FLUTTER_EXPORT_H_
#define QEVA_FLUTTER_C_API_FLUTTER_EXPORT_H_

// Marks the functions of the engine's C API. The engine library defines FLUTTER_DESKTOP_LIBRARY
// while it is built and exports them; everything else that includes these headers imports them.
// An engine linked statically (the headless engine in tests and tools) defines
// QEVA_FLUTTER_STATIC_ENGINE for itself and its users: nothing crosses a library boundary then.
#if defined(QEVA_FLUTTER_STATIC_ENGINE)
#define FLUTTER_EXPORT
#elif defined(FLUTTER_DESKTOP_LIBRARY)
#ifdef _WIN32
#define FLUTTER_EXPORT __declspec(dllexport)
#else
#define FLUTTER_EXPORT __attribute__((visibility("default")))
#endif
#else
#ifdef _WIN32
#define FLUTTER_EXPORT __declspec(dllimport)
#else
#define FLUTTER_EXPORT
#endif
#endif

#endif  // QEVA_FLUTTER_C_API_FLUTTER_EXPORT_H_
