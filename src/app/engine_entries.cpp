#include "engine_entries.h"

#include "engine/mediasign.h"
#include "extlib/uKvWMDll.h"

namespace quillon {

TEngineEntries RealEngineEntries() {
    return {&VerifyAVI, &VerifyWithWMDll, &VerifyJpeg, &SignAVI, &SignJpeg, &RenderJpegFile};
}

} // namespace quillon
