#include "engine_entries.h"

namespace quillon {

TEngineEntries RealEngineEntries() {
    return {RealMediaEntries(), &RenderJpegFile};
}

} // namespace quillon
