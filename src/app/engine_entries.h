// The engine entries the window calls, gathered so tests can replace them.
#pragma once

#include "codec/jpeg/jpeg_render.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quillon {

struct TEngineEntries {
    std::function<int32_t(const char* SiteCode, const char* Path)> VerifyAVI;
    std::function<int32_t(const char* SiteCode, const char* Path)> VerifyWithWMDll;
    std::function<int32_t(const char* SiteCode, const char* Path)> VerifyJpeg;
    std::function<bool(const char* SiteCode, const char* Src, const char* Dst)> SignAVI;
    std::function<bool(const char* SiteCode, const char* Src, const char* Dst)> SignJpeg;
    std::function<TRenderedImage(const std::string& Path)> RenderJpegFile;
};

// The real entries of the engine, the library adapter and the codec.
TEngineEntries RealEngineEntries();

} // namespace quillon
