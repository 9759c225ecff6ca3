// The engine entries the window calls, gathered so tests can replace them.
#pragma once

#include "codec/jpeg/jpeg_render.h"
#include "engine/media_file.h"

#include <functional>
#include <string>

namespace quillon {

struct TEngineEntries {
    TMediaEntries Media; // verification and signing, dispatched by the engine
    std::function<TRenderedImage(const std::string& Path)> RenderJpegFile;
    // The keys strong tags are judged against; none: tags are not judged.
    std::function<TTrustedKeyList()> TrustedKeys;
};

// The real entries of the engine, the library adapter and the codec.
TEngineEntries RealEngineEntries();

} // namespace quillon
