// The main window's behaviour, free of the window system: its state, the
// hidden signing mode, the preview and resize arithmetic, and the Verify and
// Set commands with the way their results are shown.
#pragma once

#include "engine_entries.h"
#include "main_view.h"

#include "engine/verdict_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

inline constexpr const char* AccessCode = "__ARM_TOOL__";

inline constexpr const char* TextChooseFile = "Choose a file to verify.";

// The message shown when a signed copy could not be written.
std::string SigningFailedText(const std::string& DstPath);

class TMainWindowLogic {
  public:
    explicit TMainWindowLogic(IMainView& View, TEngineEntries Entries = RealEngineEntries());

    void FormCreate();
    void edtFileNameButtonClick();
    void btnVerifyClick();
    void btnSetClick();
    void btnCloseClick();

    // Shows a verification code as frame colour, verdict line, message box and focus.
    void ShowVerdict(int32_t Code);

    const std::string& FilePath() const { return FFilePath; }
    int32_t BaseImageWidth() const { return FBaseImageWidth; }
    int32_t ExtraWidth() const { return FExtraWidth; }
    int32_t ExtraHeight() const { return FExtraHeight; }
    bool SigningMode() const { return FSigningMode; }

  private:
    std::optional<std::string> SiteCodeBytes() const;

    IMainView& FView;
    TEngineEntries FEntries;
    std::string FFilePath;
    int32_t FBaseImageWidth = 0;
    int32_t FExtraWidth = 0;
    int32_t FExtraHeight = 0;
    bool FSigningMode = false;
};

} // namespace quillon
