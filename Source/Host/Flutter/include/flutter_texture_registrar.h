#ifndef QEVA_FLUTTER_C_API_FLUTTER_TEXTURE_REGISTRAR_H_
#define QEVA_FLUTTER_C_API_FLUTTER_TEXTURE_REGISTRAR_H_

// The engine's external texture registry. The plugin draws nothing through it; the declarations
// are here because the registrar hands one out and the engine's C++ wrapper reaches it.

#include <stddef.h>
#include <stdint.h>

#include "flutter_export.h"

#if defined(__cplusplus)
extern "C" {
#endif

struct FlutterDesktopTextureRegistrar;
typedef struct FlutterDesktopTextureRegistrar* FlutterDesktopTextureRegistrarRef;

typedef enum {
  kFlutterDesktopPixelBufferTexture,
  kFlutterDesktopGpuSurfaceTexture
} FlutterDesktopTextureType;

typedef enum {
  kFlutterDesktopGpuSurfaceTypeNone,
  kFlutterDesktopGpuSurfaceTypeDxgiSharedHandle,
  kFlutterDesktopGpuSurfaceTypeD3d11Texture2D
} FlutterDesktopGpuSurfaceType;

typedef enum {
  kFlutterDesktopPixelFormatNone,
  kFlutterDesktopPixelFormatRGBA8888,
  kFlutterDesktopPixelFormatBGRA8888
} FlutterDesktopPixelFormat;

typedef struct {
  const uint8_t* buffer;
  size_t width;
  size_t height;
  // Called, when set, once the engine is done with |buffer|.
  void (*release_callback)(void* release_context);
  void* release_context;
} FlutterDesktopPixelBuffer;

typedef struct {
  // sizeof(FlutterDesktopGpuSurfaceDescriptor).
  size_t struct_size;
  void* handle;
  size_t width;
  size_t height;
  size_t visible_width;
  size_t visible_height;
  FlutterDesktopPixelFormat format;
  void (*release_callback)(void* release_context);
  void* release_context;
} FlutterDesktopGpuSurfaceDescriptor;

typedef const FlutterDesktopPixelBuffer* (*FlutterDesktopPixelBufferTextureCallback)(
    size_t width, size_t height, void* user_data);

typedef const FlutterDesktopGpuSurfaceDescriptor* (*FlutterDesktopGpuSurfaceTextureCallback)(
    size_t width, size_t height, void* user_data);

typedef struct {
  FlutterDesktopPixelBufferTextureCallback callback;
  void* user_data;
} FlutterDesktopPixelBufferTextureConfig;

typedef struct {
  // sizeof(FlutterDesktopGpuSurfaceTextureConfig).
  size_t struct_size;
  FlutterDesktopGpuSurfaceType type;
  FlutterDesktopGpuSurfaceTextureCallback callback;
  void* user_data;
} FlutterDesktopGpuSurfaceTextureConfig;

typedef struct {
  FlutterDesktopTextureType type;
  union {
    FlutterDesktopPixelBufferTextureConfig pixel_buffer_config;
    FlutterDesktopGpuSurfaceTextureConfig gpu_surface_config;
  };
} FlutterDesktopTextureInfo;

// Registers a texture; returns its id, or -1 when the engine cannot take it.
FLUTTER_EXPORT int64_t FlutterDesktopTextureRegistrarRegisterExternalTexture(
    FlutterDesktopTextureRegistrarRef texture_registrar, const FlutterDesktopTextureInfo* info);

// False when no texture has |texture_id|.
FLUTTER_EXPORT bool FlutterDesktopTextureRegistrarUnregisterExternalTexture(
    FlutterDesktopTextureRegistrarRef texture_registrar, int64_t texture_id);

// False when no texture has |texture_id|.
FLUTTER_EXPORT bool FlutterDesktopTextureRegistrarMarkExternalTextureFrameAvailable(
    FlutterDesktopTextureRegistrarRef texture_registrar, int64_t texture_id);

#if defined(__cplusplus)
}  // extern "C"
#endif

#endif  // QEVA_FLUTTER_C_API_FLUTTER_TEXTURE_REGISTRAR_H_
