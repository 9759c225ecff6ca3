#include "main_window_logic.h"

#include "picture_fit.h"
#include "window_layout.h"

#include "engine/media_file.h"
#include "platform/files.h"
#include "platform/system_text.h"

#include <cstring>
#include <exception>

namespace quillon {

std::string SigningFailedText(const std::string& DstPath) {
    return "Signing failed: the signed copy \"" + DstPath + "\" could not be written.";
}

std::string MoviePlaceholderText(const std::string& Path) {
    return "Movie: " + ExtractFileName(Path);
}

std::string NoPreviewPlaceholderText(const std::string& Path) {
    return "No preview: " + ExtractFileName(Path);
}

std::string ScaledTitle(const std::string& Title, int Percent) {
    return Percent >= 100 ? Title : Title + " - " + std::to_string(Percent) + " %";
}

TMainWindowLogic::TMainWindowLogic(IMainView& View, TEngineEntries Entries)
    : FView(View), FEntries(std::move(Entries)) {}

void TMainWindowLogic::FormCreate() {
    // Measured, so a layout the window system has scaled is taken as it is.
    FBaseImageWidth = FView.ImageWidth();
    FExtraWidth = FView.ClientWidth() - FView.ImageWidth();
    FExtraHeight = FView.ClientHeight() - FView.ImageHeight();
    FBaseImageHeight = FView.ImageHeight();
    FFrameWidth = FView.PanelWidth() - FView.ImageWidth();
    FFrameHeight = FView.PanelHeight() - FView.ImageHeight();
}

void TMainWindowLogic::edtFileNameButtonClick() {
    if (FView.FileNameText() == AccessCode) {
        FSigningMode = true;
        FView.ShowSetButton();
        FView.SetFileNameText("");
        return;
    }
    const std::optional<std::string> Chosen = FView.RunOpenDialog(FFilePath);
    if (Chosen)
        ChooseFile(*Chosen);
}

void TMainWindowLogic::ChooseFile(const std::string& Path) {
    FView.SetFileNameText(Path);
    FFilePath = FView.FileNameText();
    // A verdict belongs to the file it was given for: the frame and the line
    // start again, and the frame never holds what was not chosen.
    FPicture.reset();
    FPlaceholder.clear();
    std::string Failure;
    if (IsAviPath(FFilePath)) {
        FPlaceholder = MoviePlaceholderText(FFilePath);
    } else {
        try {
            FPicture = std::make_shared<const TRenderedImage>(FEntries.RenderJpegFile(Path));
        } catch (const std::exception& E) {
            Failure = E.what();
            FPlaceholder = NoPreviewPlaceholderText(FFilePath);
        }
    }
    Refit();
    FView.SetPanelColor(clWhite);
    FView.SetMessageText(TextChooseFile);
    // The path stays chosen; Verify will say what is wrong with the file.
    if (!Failure.empty())
        FView.ShowError(Failure);
}

void TMainWindowLogic::Refit() {
    if (FPicture)
        ShowPicture(*FPicture);
    else if (!FPlaceholder.empty())
        ShowPlaceholder(FPlaceholder);
}

void TMainWindowLogic::ShowPicture(const TRenderedImage& Picture) {
    const TPixelSize Room = FView.ClientRoom();
    const double Scale =
        static_cast<double>(FBaseImageWidth) / DesignOf(TControl::Image1).Rect.Width;
    const TPictureFit Fit =
        FitPicture(Picture.Width, Picture.Height, Scale,
                   {FBaseImageWidth, FExtraWidth, FExtraHeight, Room.Width, Room.Height});
    if (Fit.Width == Picture.Width && Fit.Height == Picture.Height)
        FView.SetPicture(Picture);
    else
        FView.SetPicture(ResamplePicture(Picture, Fit.Width, Fit.Height));
    FView.ShowScale(Fit.Percent);
    FitClientTo(FView.ImageWidth(), FView.ImageHeight());
}

void TMainWindowLogic::ShowPlaceholder(const std::string& Caption) {
    FView.SetPlaceholder(Caption, FBaseImageWidth, FBaseImageHeight);
    FView.ShowScale(100);
    FitClientTo(FView.ImageWidth(), FView.ImageHeight());
}

void TMainWindowLogic::FitClientTo(int ImageW, int ImageH) {
    FView.SetClientSize((ImageW <= FBaseImageWidth ? FBaseImageWidth : ImageW) + FExtraWidth,
                        ImageH + FExtraHeight);
    FView.SetPanelSize(ImageW + FFrameWidth, ImageH + FFrameHeight);
}

void TMainWindowLogic::btnVerifyClick() {
    const std::optional<std::string> Bytes = SiteCodeBytes();
    if (!Bytes) {
        // No 8-bit program of the system could have signed with this code.
        ShowVerdict(VerifyNoSiteCode);
        return;
    }
    // The verifiers see the code as a C string: up to its first NUL.
    const std::string SiteCode(Bytes->c_str(), std::strlen(Bytes->c_str()));

    FView.SetCursor(crHourGlass);
    TMediaVerdict Verdict;
    try {
        const bool JudgesTags = FEntries.TrustedKeys && FEntries.Media.VerifyJpegWithTag &&
                                FEntries.Media.VerifyAviWithTag;
        if (JudgesTags)
            Verdict = VerifyMediaFileWithTag(SiteCode, FFilePath, FEntries.TrustedKeys(), {},
                                             FEntries.Media);
        else
            Verdict.Legacy = VerifyMediaFile(SiteCode, FFilePath, {}, FEntries.Media);
    } catch (...) {
        // The entries report every failure as a code; nothing should get here.
        Verdict = {};
        Verdict.Legacy.Code = VerifyOtherFailure;
    }
    FView.SetCursor(crDefault);
    ShowVerdict(Verdict);
}

void TMainWindowLogic::ShowVerdict(const TMediaVerdict& Verdict) {
    const std::optional<std::string> Line = StrongVerdictLine(Verdict.Strong);
    if (!Line) {
        ShowVerdict(Verdict.Legacy.Code);
        return;
    }
    switch (Verdict.Strong.Class) {
    case TStrongClass::Original:
        FView.SetPanelColor(clBlue);
        break;
    case TStrongClass::PixelsOriginal:
        FView.SetPanelColor(clYellow);
        break;
    default:
        FView.SetPanelColor(clRed);
        break;
    }
    FView.SetMessageText(*Line);
}

void TMainWindowLogic::ShowVerdict(int32_t Code) {
    switch (Code) {
    case VerifyOk:
        FView.SetPanelColor(clBlue);
        FView.SetMessageText(TextOriginal);
        break;
    case VerifyMismatch:
    case VerifyNoSignature:
        FView.SetPanelColor(clRed);
        FView.SetMessageText(TextChanged);
        break;
    case VerifyNoSiteCode:
        FView.SetPanelColor(clWhite);
        FView.SetMessageText("");
        FView.ShowMessage(TextInvalidGroupCode);
        FView.FocusMarkCode();
        break;
    case VerifyNoFile:
        FView.SetPanelColor(clWhite);
        FView.SetMessageText("");
        FView.ShowMessage(TextInvalidFile);
        FView.FocusFileName();
        break;
    case VerifyNoTemp:
        FView.SetPanelColor(clYellow);
        FView.ShowMessage(TextNoTemp);
        break;
    case VerifyCopyFailed:
        FView.SetPanelColor(clYellow);
        FView.ShowMessage(TextNoSpace);
        break;
    default:
        FView.SetPanelColor(clWhite);
        FView.SetMessageText("");
        FView.ShowMessage(TextUnknownError);
        break;
    }
}

std::optional<std::string> StrongVerdictLine(const TStrongVerdict& Verdict) {
    // "2026-12-10 05:21:07 UTC" without the seconds.
    std::string When = Verdict.SignedAt ? UtcTimeText(*Verdict.SignedAt) : "";
    if (When.size() > 7)
        When.erase(When.size() - 7, 3);
    const std::string By = " signed by " + Verdict.KeyComment + " on " + When;
    switch (Verdict.Class) {
    case TStrongClass::Original:
        return "Original file," + By;
    case TStrongClass::PixelsOriginal:
        return "Original pixels, other data changed since" + By;
    case TStrongClass::Changed:
        return "Changed since" + By;
    default:
        return std::nullopt;
    }
}

void TMainWindowLogic::btnSetClick() {
    const std::optional<std::string> SiteCode = SiteCodeBytes();
    const std::string Dst = SignedCopyPath(FFilePath);
    bool Signed = false;
    try {
        Signed = SiteCode && SignMediaFile(*SiteCode, FFilePath, Dst, {}, FEntries.Media).Ok;
    } catch (...) {
        Signed = false;
    }
    // Success stays silent; a copy that was not written must not look like one that was.
    if (!Signed)
        FView.ShowMessage(SigningFailedText(Dst));
}

std::optional<std::string> TMainWindowLogic::SiteCodeBytes() const {
    // Keyed as the system's 8-bit programs key it, so their files verify here.
    return SystemCodePageText(FView.MarkCodeText());
}

void TMainWindowLogic::btnCloseClick() {
    FView.CloseWindow();
}

} // namespace quillon
