// The main window's behaviour, free of the window system: its state, the
// hidden signing mode, the preview and resize arithmetic, and the Verify and
// Set commands with the way their results are shown.
#pragma once

#include "engine_entries.h"
#include "main_view.h"

#include "engine/verdict_text.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

inline constexpr const char* AccessCode = "__ARM_TOOL__";

inline constexpr const char* TextChooseFile = "Choose a file to verify.";

// The message shown when a signed copy could not be written.
std::string SigningFailedText(const std::string& DstPath);

// What stands in the frame instead of a picture: a movie, which has no
// preview, and a photo that could not be drawn.
std::string MoviePlaceholderText(const std::string& Path);
std::string NoPreviewPlaceholderText(const std::string& Path);

// The verdict line of a file whose strong tag was signed by a trusted key
// ("Original file, signed by Ed Itor on 2026-12-10 05:21 UTC"); nothing for
// every other strong verdict, whose file is shown by its keyed checksum
// alone, in the system's own words.
std::optional<std::string> StrongVerdictLine(const TStrongVerdict& Verdict);

// The window's title with the scale of a reduced preview ("Quillon - 33 %").
std::string ScaledTitle(const std::string& Title, int Percent);

class TMainWindowLogic {
  public:
    explicit TMainWindowLogic(IMainView& View, TEngineEntries Entries = RealEngineEntries());

    void FormCreate();
    void edtFileNameButtonClick();
    // Chooses Path as the dialog would: a file dropped on the window or
    // named when the program starts.
    void ChooseFile(const std::string& Path);
    // Shows the chosen file's preview or placeholder anew, fitted to the
    // screen as it is now (after a move to another screen, or after a new
    // FormCreate at another resolution).
    void Refit();
    void btnVerifyClick();
    void btnSetClick();
    void btnCloseClick();

    // Shows a verification code as frame colour, verdict line, message box and focus.
    void ShowVerdict(int32_t Code);
    // A trusted tag's verdict decides frame colour and verdict line; any
    // other file is shown by its code.
    void ShowVerdict(const TMediaVerdict& Verdict);

    const std::string& FilePath() const { return FFilePath; }
    int32_t BaseImageWidth() const { return FBaseImageWidth; }
    int32_t ExtraWidth() const { return FExtraWidth; }
    int32_t ExtraHeight() const { return FExtraHeight; }
    bool SigningMode() const { return FSigningMode; }

  private:
    std::optional<std::string> SiteCodeBytes() const;
    void ShowPicture(const TRenderedImage& Picture);
    void ShowPlaceholder(const std::string& Caption);
    void FitClientTo(int ImageW, int ImageH);

    IMainView& FView;
    TEngineEntries FEntries;
    std::string FFilePath;
    int32_t FBaseImageWidth = 0;
    int32_t FExtraWidth = 0;
    int32_t FExtraHeight = 0;
    // Measured with the others, for placeholders and frames at any resolution.
    int32_t FBaseImageHeight = 0;
    int32_t FFrameWidth = 0;
    int32_t FFrameHeight = 0;
    bool FSigningMode = false;
    // What the frame holds for the chosen file, kept to fit it anew:
    // the whole picture, or the placeholder's caption.
    std::shared_ptr<const TRenderedImage> FPicture;
    std::string FPlaceholder;
};

} // namespace quillon
