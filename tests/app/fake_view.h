// A main-window view without a window system: it keeps the state the logic
// sets and records every call in order.
#pragma once

#include "main_view.h"

#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace quillon::test {

class TFakeView : public IMainView {
  public:
    // What the window shows.
    std::string FileName;
    std::string MarkCode;
    bool SetVisible = false;
    int ImageW = 319, ImageH = 207;
    int ClientW = 331, ClientH = 322;
    int PanelW = 329, PanelH = 217;
    // The client area the screen has room for; large unless a test says otherwise.
    TPixelSize Room{100000, 100000};
    int ScalePercent = 100;
    std::string Placeholder;
    TColor PanelColor = clWhite;
    std::string Message = "Choose a file to verify.";
    TCursor Cursor = crDefault;
    bool Closed = false;

    // Scripted dialog answers, one per run; an empty optional cancels.
    std::deque<std::optional<std::string>> DialogAnswers;
    std::vector<std::string> DialogOpenedWith;

    // Every call, in order, e.g. "color 0000ff", "message ...", "box ...", "focus code".
    std::vector<std::string> Log;
    // The cursor when each message box appeared.
    std::vector<TCursor> CursorAtBox;

    std::string FileNameText() const override { return FileName; }
    void SetFileNameText(const std::string& Text) override {
        FileName = Text;
        Log.push_back("filename " + Text);
    }
    std::string MarkCodeText() const override { return MarkCode; }
    void ShowSetButton() override {
        SetVisible = true;
        Log.push_back("show set");
    }
    std::optional<std::string> RunOpenDialog(const std::string& Previous) override {
        DialogOpenedWith.push_back(Previous);
        Log.push_back("dialog");
        if (DialogAnswers.empty())
            return std::nullopt;
        std::optional<std::string> A = DialogAnswers.front();
        DialogAnswers.pop_front();
        return A;
    }
    void SetPicture(const TRenderedImage& Picture) override {
        ImageW = Picture.Width;
        ImageH = Picture.Height;
        Placeholder.clear();
        Log.push_back("picture " + std::to_string(Picture.Width) + "x" +
                      std::to_string(Picture.Height));
    }
    void SetPlaceholder(const std::string& Caption, int W, int H) override {
        ImageW = W;
        ImageH = H;
        Placeholder = Caption;
        Log.push_back("placeholder " + std::to_string(W) + "x" + std::to_string(H) + " " + Caption);
    }
    TPixelSize ClientRoom() const override { return Room; }
    // Logged only when it changes, so the logs of previews that fit stay as they were.
    void ShowScale(int Percent) override {
        if (Percent != ScalePercent)
            Log.push_back("scale " + std::to_string(Percent));
        ScalePercent = Percent;
    }
    int PanelWidth() const override { return PanelW; }
    int PanelHeight() const override { return PanelH; }
    int ImageWidth() const override { return ImageW; }
    int ImageHeight() const override { return ImageH; }
    int ClientWidth() const override { return ClientW; }
    int ClientHeight() const override { return ClientH; }
    void SetClientSize(int W, int H) override {
        ClientW = W;
        ClientH = H;
        Log.push_back("client " + std::to_string(W) + "x" + std::to_string(H));
    }
    void SetPanelSize(int W, int H) override {
        PanelW = W;
        PanelH = H;
        Log.push_back("panel " + std::to_string(W) + "x" + std::to_string(H));
    }
    void SetPanelColor(TColor Color) override {
        PanelColor = Color;
        char Hex[16];
        std::snprintf(Hex, sizeof Hex, "%06x", Color);
        Log.push_back(std::string("color ") + Hex);
    }
    void SetMessageText(const std::string& Text) override {
        Message = Text;
        Log.push_back("message " + Text);
    }
    void ShowMessage(const std::string& Text) override {
        CursorAtBox.push_back(Cursor);
        Log.push_back("box " + Text);
    }
    void ShowError(const std::string& Text) override {
        CursorAtBox.push_back(Cursor);
        Log.push_back("error " + Text);
    }
    void SetCursor(TCursor C) override {
        Cursor = C;
        Log.push_back("cursor " + std::to_string(static_cast<int>(C)));
    }
    void FocusFileName() override { Log.push_back("focus file"); }
    void FocusMarkCode() override { Log.push_back("focus code"); }
    void CloseWindow() override {
        Closed = true;
        Log.push_back("close");
    }
};

} // namespace quillon::test
