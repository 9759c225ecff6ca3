#include "main_window_logic.h"

#include "engine/media_file.h"
#include "platform/system_text.h"

#include <cstring>
#include <exception>

namespace quillon {

std::string SigningFailedText(const std::string& DstPath) {
    return "Signing failed: the signed copy \"" + DstPath + "\" could not be written.";
}

TMainWindowLogic::TMainWindowLogic(IMainView& View, TEngineEntries Entries)
    : FView(View), FEntries(std::move(Entries)) {}

void TMainWindowLogic::FormCreate() {
    // Measured, so a layout the window system has scaled is taken as it is.
    FBaseImageWidth = FView.ImageWidth();
    FExtraWidth = FView.ClientWidth() - FView.ImageWidth();
    FExtraHeight = FView.ClientHeight() - FView.ImageHeight();
}

void TMainWindowLogic::edtFileNameButtonClick() {
    if (FView.FileNameText() == AccessCode) {
        FSigningMode = true;
        FView.ShowSetButton();
        FView.SetFileNameText("");
        return;
    }
    const std::optional<std::string> Chosen = FView.RunOpenDialog(FFilePath);
    if (!Chosen)
        return;
    FView.SetFileNameText(*Chosen);
    FFilePath = FView.FileNameText();
    if (IsAviPath(FFilePath))
        return;

    TRenderedImage Picture;
    try {
        Picture = FEntries.RenderJpegFile(*Chosen);
    } catch (const std::exception& E) {
        // The new path stays chosen; picture, size and frame stay as they were.
        FView.ShowError(E.what());
        return;
    }
    FView.SetPicture(Picture);
    const int W = FView.ImageWidth();
    const int H = FView.ImageHeight();
    FView.SetClientSize((W <= FBaseImageWidth ? FBaseImageWidth : W) + FExtraWidth,
                        H + FExtraHeight);
    FView.SetPanelSize(W + 10, H + 10);
    FView.SetPanelColor(clWhite);
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
    int32_t Code;
    try {
        Code = VerifyMediaFile(SiteCode, FFilePath, {}, FEntries.Media).Code;
    } catch (...) {
        // The entries report every failure as a code; nothing should get here.
        Code = VerifyOtherFailure;
    }
    FView.SetCursor(crDefault);
    ShowVerdict(Code);
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
