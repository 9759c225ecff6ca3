#include "engine_entries.h"

#include "crypto/key_files.h"

namespace quillon {

TEngineEntries RealEngineEntries() {
    // The trust folder is read at each check, so that a key trusted
    // meanwhile counts at once; a file there that is no key is passed by.
    const auto Trusted = [] {
        TTrustedKeyList Keys;
        if (const std::optional<std::string> Folder = TrustFolder())
            for (TTrustedKey& K : LoadTrustedKeys(*Folder).Keys)
                Keys.push_back(std::move(K.Key));
        return Keys;
    };
    return {RealMediaEntries(), &RenderJpegFile, Trusted};
}

} // namespace quillon
