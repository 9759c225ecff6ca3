#include "main_window_logic.h"

#include "dialog_filter.h"
#include "engine/mediasign.h"
#include "extlib/uKvWMDll.h"
#include "fake_view.h"
#include "support/standin_session.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <stdexcept>
#include <string>
#include <vector>

namespace quillon {
namespace {

using test::TFakeView;
using TLines = std::vector<std::string>;

// Engine entries that record their calls and answer as scripted.
struct TFakeEngine {
    TLines Calls;
    int32_t LibraryCode = -3;
    int32_t JpegCode = 1;
    int32_t AviCode = 1;
    bool SignResult = true;
    bool LibraryThrows = false;
    int PictureW = 200, PictureH = 150;
    bool RenderFails = false;
    // The cursor each verifier saw, proving the hourglass is up while it runs.
    std::vector<TCursor> CursorDuringCall;
    const TFakeView* View = nullptr;

    TEngineEntries Entries() {
        auto Note = [this](const std::string& What, const char* A, const char* B) {
            Calls.push_back(What + "(" + A + "|" + B + ")");
            if (View)
                CursorDuringCall.push_back(View->Cursor);
        };
        TEngineEntries E;
        E.Media.VerifyAVI = [this, Note](const char* S, const char* P) {
            Note("VerifyAVI", S, P);
            return AviCode;
        };
        E.Media.VerifyWithWMDll = [this, Note](const char* S, const char* P) -> int32_t {
            Note("VerifyWithWMDll", S, P);
            if (LibraryThrows)
                throw std::runtime_error("library blew up");
            return LibraryCode;
        };
        E.Media.VerifyJpeg = [this, Note](const char* S, const char* P) {
            Note("VerifyJpeg", S, P);
            return JpegCode;
        };
        E.Media.SignAVI = [this](const char* S, const char* Src, const char* Dst) {
            Calls.push_back(std::string("SignAVI(") + S + "|" + Src + "|" + Dst + ")");
            return SignResult;
        };
        E.Media.SignJpeg = [this](const char* S, const char* Src, const char* Dst) {
            Calls.push_back(std::string("SignJpeg(") + S + "|" + Src + "|" + Dst + ")");
            return SignResult;
        };
        E.RenderJpegFile = [this](const std::string& Path) {
            Calls.push_back("Render(" + Path + ")");
            if (RenderFails)
                throw EJpegError(42);
            TRenderedImage I;
            I.Width = PictureW;
            I.Height = PictureH;
            I.Stride = static_cast<size_t>(PictureW) * 3;
            I.Pixels = std::make_unique<uint8_t[]>(I.Stride * static_cast<size_t>(PictureH));
            return I;
        };
        return E;
    }
};

class MainWindowLogic : public ::testing::Test {
  protected:
    MainWindowLogic() : Logic(View, (Engine.View = &View, Engine.Entries())) { Logic.FormCreate(); }

    // Chooses Path through the dialog and forgets what that logged.
    void Choose(const std::string& Path) {
        View.DialogAnswers.push_back(Path);
        Logic.edtFileNameButtonClick();
        View.Log.clear();
        Engine.Calls.clear();
    }

    TFakeView View;
    TFakeEngine Engine;
    TMainWindowLogic Logic;
};

// ---- creation and the browse action ------------------------------------------

TEST_F(MainWindowLogic, FormCreateMeasuresTheDesignLayout) {
    EXPECT_EQ(Logic.BaseImageWidth(), 319);
    EXPECT_EQ(Logic.ExtraWidth(), 12);
    EXPECT_EQ(Logic.ExtraHeight(), 115);
    EXPECT_EQ(Logic.FilePath(), "");
    EXPECT_FALSE(Logic.SigningMode());
}

TEST_F(MainWindowLogic, AccessCodeShowsSetWithoutADialog) {
    Choose("/pics/photo.jpg");
    View.FileName = "__ARM_TOOL__";
    Logic.edtFileNameButtonClick();
    EXPECT_EQ(View.Log, (TLines{"show set", "filename "}));
    EXPECT_TRUE(View.SetVisible);
    EXPECT_TRUE(Logic.SigningMode());
    EXPECT_EQ(Logic.FilePath(), "/pics/photo.jpg");

    // The mode stays on; the next browse opens the dialog as usual.
    Logic.edtFileNameButtonClick();
    EXPECT_EQ(View.DialogOpenedWith.size(), 2u);
    EXPECT_TRUE(Logic.SigningMode());
}

TEST_F(MainWindowLogic, NearMissesOfTheAccessCodeOpenTheDialog) {
    for (const char* Typed :
         {"__arm_tool__", "__Arm_Tool__", " __ARM_TOOL__", "__ARM_TOOL__ ", "__ARM_TOOL_", ""}) {
        View.FileName = Typed;
        View.Log.clear();
        Logic.edtFileNameButtonClick();
        EXPECT_EQ(View.Log, TLines{"dialog"}) << '"' << Typed << '"';
        EXPECT_FALSE(View.SetVisible);
    }
}

TEST_F(MainWindowLogic, CancelledDialogChangesNothing) {
    Choose("/pics/photo.jpg");
    View.FileName = "typed by hand";
    Logic.edtFileNameButtonClick();
    EXPECT_EQ(View.Log, TLines{"dialog"});
    EXPECT_EQ(View.FileName, "typed by hand");
    EXPECT_EQ(Logic.FilePath(), "/pics/photo.jpg");
}

TEST_F(MainWindowLogic, DialogOpensWithThePreviousChoice) {
    Choose("/pics/one.jpg");
    Choose("/pics/CLIP.AVI");
    Logic.edtFileNameButtonClick();
    EXPECT_EQ(View.DialogOpenedWith, (TLines{"", "/pics/one.jpg", "/pics/CLIP.AVI"}));
}

struct TSizeCase {
    int W, H;
    int ClientW, ClientH;
    int PanelW, PanelH;
};

TEST_F(MainWindowLogic, PreviewResizesWindowAndFrame) {
    const TSizeCase Cases[] = {
        {200, 150, 331, 265, 210, 160}, {640, 480, 652, 595, 650, 490},
        {319, 207, 331, 322, 329, 217}, {320, 10, 332, 125, 330, 20},
        {1, 1, 331, 116, 11, 11},       {5000, 4000, 5012, 4115, 5010, 4010},
    };
    for (const TSizeCase& C : Cases) {
        Engine.PictureW = C.W;
        Engine.PictureH = C.H;
        View.PanelColor = clRed;
        View.DialogAnswers.push_back("/pics/p.jpg");
        View.Log.clear();
        Logic.edtFileNameButtonClick();
        const std::string Size = std::to_string(C.W) + "x" + std::to_string(C.H);
        EXPECT_EQ(View.Log,
                  (TLines{"dialog", "filename /pics/p.jpg", "picture " + Size,
                          "client " + std::to_string(C.ClientW) + "x" + std::to_string(C.ClientH),
                          "panel " + std::to_string(C.PanelW) + "x" + std::to_string(C.PanelH),
                          "color ffffff", "message Choose a file to verify."}))
            << Size;
    }
}

TEST_F(MainWindowLogic, ANewChoiceStartsTheVerdictAgain) {
    View.MarkCode = "SITE";
    for (const char* Next : {"/pics/next.jpg", "/clips/next.avi", "/pics/broken.jpg"}) {
        Choose("/pics/photo.jpg");
        Logic.btnVerifyClick();
        ASSERT_EQ(View.PanelColor, clBlue);
        ASSERT_EQ(View.Message, "Original image file !!");
        Engine.RenderFails = std::string(Next) == "/pics/broken.jpg";
        View.DialogAnswers.push_back(Next);
        Logic.edtFileNameButtonClick();
        Engine.RenderFails = false;
        EXPECT_EQ(View.PanelColor, clWhite) << Next;
        EXPECT_EQ(View.Message, "Choose a file to verify.") << Next;
    }
}

TEST_F(MainWindowLogic, AMovieReplacesThePreviewWithAPlaceholder) {
    Engine.PictureW = 640;
    Engine.PictureH = 480;
    View.MarkCode = "SITE";
    Choose("/pics/photo.jpg");
    Logic.btnVerifyClick(); // blue round the photo
    for (const char* Avi : {"/clips/CLIP.AVI", "/clips/clip.avi", "/clips/Clip.Avi"}) {
        View.DialogAnswers.push_back(Avi);
        View.Log.clear();
        Engine.Calls.clear();
        Logic.edtFileNameButtonClick();
        EXPECT_EQ(Logic.FilePath(), Avi);
        EXPECT_EQ(Engine.Calls, TLines{}) << "a movie is never opened here";
        EXPECT_EQ(View.Log,
                  (TLines{"dialog", std::string("filename ") + Avi,
                          "placeholder 319x207 " + MoviePlaceholderText(Avi), "client 331x322",
                          "panel 329x217", "color ffffff", "message Choose a file to verify."}));
    }
    EXPECT_EQ(View.Placeholder, "Movie: Clip.Avi");
    // Its verdict then surrounds the placeholder that names it.
    Logic.btnVerifyClick();
    EXPECT_EQ(View.PanelColor, clBlue);
    EXPECT_EQ(View.Placeholder, "Movie: Clip.Avi");
}

TEST_F(MainWindowLogic, ExtensionComesFromTheFileNameOnly) {
    // The last dot lies in a folder name: no extension, so a preview.
    Choose("/media/clips.avi/photo");
    View.DialogAnswers.push_back("/media/clips.avi/photo");
    Logic.edtFileNameButtonClick();
    EXPECT_EQ(Engine.Calls, TLines{"Render(/media/clips.avi/photo)"});
}

TEST_F(MainWindowLogic, CodecErrorKeepsThePathButNotThePicture) {
    Choose("/pics/good.jpg"); // 200 x 150
    View.PanelColor = clRed;
    Engine.RenderFails = true;
    View.DialogAnswers.push_back("/pics/broken.jpg");
    Logic.edtFileNameButtonClick();
    EXPECT_EQ(View.Log, (TLines{"dialog", "filename /pics/broken.jpg",
                                "placeholder 319x207 No preview: broken.jpg", "client 331x322",
                                "panel 329x217", "color ffffff", "message Choose a file to verify.",
                                "error JPEG error #42"}));
    EXPECT_EQ(Logic.FilePath(), "/pics/broken.jpg");
}

TEST_F(MainWindowLogic, AFileChosenWithoutTheDialogIsChosenAlike) {
    // Dropped on the window, or named when the program starts.
    Logic.ChooseFile("/pics/dropped.jpg");
    EXPECT_EQ(View.DialogOpenedWith, TLines{});
    EXPECT_EQ(Logic.FilePath(), "/pics/dropped.jpg");
    EXPECT_EQ(View.FileName, "/pics/dropped.jpg");
    EXPECT_EQ(View.ClientH, 265);
    // The dialog then opens with it.
    Logic.edtFileNameButtonClick();
    EXPECT_EQ(View.DialogOpenedWith, TLines{"/pics/dropped.jpg"});
}

struct TRoomCase {
    const char* What;
    int PictureW, PictureH;
    TPixelSize Room;
    TLines Shown; // after "filename"
};

TEST_F(MainWindowLogic, LargePicturesAreReducedToTheScreensRoom) {
    const TRoomCase Cases[] = {
        {"fits exactly",
         640,
         480,
         {652, 595},
         {"picture 640x480", "client 652x595", "panel 650x490"}},
        {"one pixel too tall",
         640,
         481,
         {652, 595},
         {"picture 638x480", "scale 99", "client 650x595", "panel 648x490"}},
        {"3000 x 2000 on a 1280 x 1024 screen",
         3000,
         2000,
         {1274, 960},
         {"picture 1262x841", "scale 42", "client 1274x956", "panel 1272x851"}},
        {"taller than wide",
         1000,
         4000,
         {1274, 960},
         {"picture 211x845", "scale 21", "client 331x960", "panel 221x855"}},
        {"a sliver",
         100000,
         2,
         {1274, 960},
         {"picture 1262x1", "scale 1", "client 1274x116", "panel 1272x11"}},
    };
    for (const TRoomCase& C : Cases) {
        SCOPED_TRACE(C.What);
        View.Room = C.Room;
        View.ScalePercent = 100;
        Engine.PictureW = C.PictureW;
        Engine.PictureH = C.PictureH;
        View.DialogAnswers.push_back("/pics/p.jpg");
        View.Log.clear();
        Logic.edtFileNameButtonClick();
        TLines Expected{"dialog", "filename /pics/p.jpg"};
        Expected.insert(Expected.end(), C.Shown.begin(), C.Shown.end());
        Expected.insert(Expected.end(), {"color ffffff", "message Choose a file to verify."});
        EXPECT_EQ(View.Log, Expected);
        EXPECT_LE(View.ClientW, std::max(C.Room.Width, 331));
        EXPECT_LE(View.ClientH, C.Room.Height);
    }
}

TEST_F(MainWindowLogic, RefitFollowsTheScreen) {
    Engine.PictureW = 3000;
    Engine.PictureH = 2000;
    View.Room = {1274, 960};
    Choose("/pics/big.jpg");
    EXPECT_EQ(View.ScalePercent, 42);
    View.Room = {100000, 100000};
    Logic.Refit();
    EXPECT_EQ(View.Log,
              (TLines{"picture 3000x2000", "scale 100", "client 3012x2115", "panel 3010x2010"}));
    // The colour and the verdict stay: the file is the same.
    View.MarkCode = "SITE";
    Logic.btnVerifyClick();
    View.Log.clear();
    Logic.Refit();
    EXPECT_EQ(View.PanelColor, clBlue);
    EXPECT_EQ(View.Message, "Original image file !!");
}

TEST_F(MainWindowLogic, FormCreateTakesAScaledLayoutAsItIsAndPicturesScaleAlike) {
    // 144 pixels per inch: every design edge times 1.5, rounded.
    TFakeView Scaled;
    Scaled.ImageW = 478;
    Scaled.ImageH = 310;
    Scaled.ClientW = 497;
    Scaled.ClientH = 483;
    Scaled.PanelW = 494;
    Scaled.PanelH = 326;
    TMainWindowLogic L(Scaled, Engine.Entries());
    L.FormCreate();
    EXPECT_EQ(L.BaseImageWidth(), 478);
    EXPECT_EQ(L.ExtraWidth(), 19);
    EXPECT_EQ(L.ExtraHeight(), 173);
    Scaled.DialogAnswers.push_back("/pics/p.jpg");
    L.edtFileNameButtonClick(); // 200 x 150
    EXPECT_EQ(Scaled.ImageW, 300);
    EXPECT_EQ(Scaled.ImageH, 225);
    EXPECT_EQ(Scaled.ClientW, 497);
    EXPECT_EQ(Scaled.ClientH, 225 + 173);
    EXPECT_EQ(Scaled.PanelW, 300 + 16);
    EXPECT_EQ(Scaled.PanelH, 225 + 16);
    EXPECT_EQ(Scaled.ScalePercent, 100);
    Scaled.DialogAnswers.push_back("/clips/a.avi");
    L.edtFileNameButtonClick();
    EXPECT_EQ(Scaled.ImageW, 478);
    EXPECT_EQ(Scaled.ImageH, 310);
    EXPECT_EQ(Scaled.PanelW, 494);
}

TEST_F(MainWindowLogic, CloseClosesTheWindow) {
    Logic.btnCloseClick();
    EXPECT_TRUE(View.Closed);
}

// ---- Verify ---------------------------------------------------------------------

struct TVerdictRow {
    int32_t Code;
    TLines Shown; // after the cursor is restored
};

TEST_F(MainWindowLogic, EveryResultCodeIsShownAsItsRow) {
    const std::string Changed = "message Entire image changed or wrong SITE-CODE !!";
    const TVerdictRow Rows[] = {
        {1, {"color ff0000", "message Original image file !!"}},
        {0, {"color 0000ff", Changed}},
        {-3, {"color 0000ff", Changed}},
        {-1, {"color ffffff", "message ", "box Invalid group code", "focus code"}},
        {-2, {"color ffffff", "message ", "box Invalid file", "focus file"}},
        {-4,
         {"color 00ffff", "box In your system, the environment value as \"TEMP\" is not "
                          "set.\r\nIt is very important system environment value. Pleas "
                          "check it, and try again."}},
        {-5,
         {"color 00ffff",
          "box Not enough free space in TEMP directory.\r\nPleas check it, and try again."}},
        {-9, {"color ffffff", "message ", "box unknown error"}},
        {-6, {"color ffffff", "message ", "box unknown error"}},
        {2, {"color ffffff", "message ", "box unknown error"}},
        {INT32_MIN, {"color ffffff", "message ", "box unknown error"}},
    };
    Choose("/clips/a.avi");
    View.MarkCode = "SITE";
    for (const TVerdictRow& Row : Rows) {
        Engine.AviCode = Row.Code;
        View.Log.clear();
        Logic.btnVerifyClick();
        TLines Expected{"cursor -11", "cursor 0"};
        Expected.insert(Expected.end(), Row.Shown.begin(), Row.Shown.end());
        EXPECT_EQ(View.Log, Expected) << "code " << Row.Code;
    }
    // Every message box came after the cursor was restored.
    for (TCursor C : View.CursorAtBox)
        EXPECT_EQ(C, crDefault);
    for (TCursor C : Engine.CursorDuringCall)
        EXPECT_EQ(C, crHourGlass);
}

TEST_F(MainWindowLogic, TempFailuresKeepThePreviousVerdictLine) {
    Choose("/clips/a.avi");
    View.MarkCode = "SITE";
    Engine.AviCode = 0;
    Logic.btnVerifyClick();
    for (int32_t Code : {-4, -5}) {
        Engine.AviCode = Code;
        Logic.btnVerifyClick();
        EXPECT_EQ(View.Message, "Entire image changed or wrong SITE-CODE !!") << Code;
        EXPECT_EQ(View.PanelColor, clYellow);
    }
}

TEST_F(MainWindowLogic, AviGoesOnlyToAviVerification) {
    View.MarkCode = "SITE-42";
    for (const char* Avi : {"/c/x.avi", "/c/X.AVI", "/c/x.Avi"}) {
        Choose(Avi);
        Logic.btnVerifyClick();
        EXPECT_EQ(Engine.Calls, TLines{std::string("VerifyAVI(SITE-42|") + Avi + ")"});
    }
}

TEST_F(MainWindowLogic, OtherFilesAskTheLibraryFirst) {
    View.MarkCode = "SITE";
    struct TCase {
        const char* Path;
        int32_t Library;
        bool JpegRuns;
    };
    for (const TCase& C : {TCase{"/p/a.jpg", 1, false}, TCase{"/p/a.jpg", 0, true},
                           TCase{"/p/a.png", -3, true}, TCase{"/p/noext", -4, true},
                           TCase{"/p/a.avi.bmp", -5, true}, TCase{"/p/a.JPEG", -1, true}}) {
        Choose(C.Path);
        Engine.LibraryCode = C.Library;
        Engine.JpegCode = 0;
        Logic.btnVerifyClick();
        TLines Expected{std::string("VerifyWithWMDll(SITE|") + C.Path + ")"};
        if (C.JpegRuns)
            Expected.push_back(std::string("VerifyJpeg(SITE|") + C.Path + ")");
        EXPECT_EQ(Engine.Calls, Expected) << C.Path << " " << C.Library;
        EXPECT_EQ(View.PanelColor, C.JpegRuns ? clRed : clBlue);
    }
}

TEST_F(MainWindowLogic, LibraryMayRejectWhatTheBuiltInCheckAccepts) {
    Choose("/p/a.jpg");
    View.MarkCode = "SITE";
    Engine.LibraryCode = 0;
    Engine.JpegCode = 1;
    Logic.btnVerifyClick();
    EXPECT_EQ(View.PanelColor, clBlue);
    EXPECT_EQ(View.Message, "Original image file !!");
}

TEST_F(MainWindowLogic, VerifyActsOnTheChosenFileNotTheTypedText) {
    View.MarkCode = "SITE";
    View.FileName = "/typed/by/hand.jpg";
    Logic.btnVerifyClick();
    EXPECT_EQ(Engine.Calls, (TLines{"VerifyWithWMDll(SITE|)", "VerifyJpeg(SITE|)"}));
    Choose("/p/chosen.jpg");
    View.FileName = "/typed/other.jpg";
    Logic.btnVerifyClick();
    EXPECT_EQ(Engine.Calls[0], "VerifyWithWMDll(SITE|/p/chosen.jpg)");
}

TEST_F(MainWindowLogic, SiteCodeTravelsExactlyAsTyped) {
    Choose("/p/a.jpg");
    View.MarkCode = " Site Code\t";
    Logic.btnVerifyClick();
    EXPECT_EQ(Engine.Calls[0], "VerifyWithWMDll( Site Code\t|/p/a.jpg)");
}

#ifdef _WIN32
// Keyed as the system's 8-bit programs key it, in the ANSI code page.
TEST_F(MainWindowLogic, SiteCodeIsKeyedInTheCodePage) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "assumes the Western European code page";
    Choose("/p/a.jpg");
    View.MarkCode = "caf\xC3\xA9";
    Logic.btnVerifyClick();
    EXPECT_EQ(Engine.Calls.at(0), "VerifyWithWMDll(caf\xE9|/p/a.jpg)");

    // A character with no place there: no such program could have signed with it.
    Engine.Calls.clear();
    View.Log.clear();
    View.MarkCode = "\xE4\xB8\x80";
    Logic.btnVerifyClick();
    Logic.btnSetClick();
    EXPECT_EQ(Engine.Calls, TLines{});
    EXPECT_EQ(View.Log, (TLines{"color ffffff", "message ", "box Invalid group code", "focus code",
                                "box " + SigningFailedText("/p/a.jpg.mod.jpg")}));
}
#endif

TEST_F(MainWindowLogic, OverlongSiteCodeIsRefusedAsEmpty) {
    Choose("/p/a.jpg");
    View.MarkCode = std::string(255, 'k');
    Logic.btnVerifyClick();
    EXPECT_EQ(Engine.Calls.size(), 2u) << "255 characters still fit";

    Engine.Calls.clear();
    View.MarkCode = std::string(256, 'k');
    View.Log.clear();
    Logic.btnVerifyClick();
    EXPECT_EQ(Engine.Calls, TLines{});
    EXPECT_EQ(View.Log, (TLines{"cursor -11", "cursor 0", "color ffffff", "message ",
                                "box Invalid group code", "focus code"}));
}

TEST_F(MainWindowLogic, LongPathIsPassedWhole) {
    const std::string Long = "/" + std::string(300, 'd') + "/" + std::string(200, 'f') + ".jpg";
    Choose(Long);
    View.MarkCode = "SITE";
    Logic.btnVerifyClick();
    EXPECT_EQ(Engine.Calls,
              (TLines{"VerifyWithWMDll(SITE|" + Long + ")", "VerifyJpeg(SITE|" + Long + ")"}));
}

TEST_F(MainWindowLogic, ExceptionFromTheLibraryIsAnUnknownError) {
    Choose("/p/a.jpg");
    View.MarkCode = "SITE";
    Engine.LibraryThrows = true;
    View.Log.clear();
    Logic.btnVerifyClick();
    EXPECT_EQ(View.Log,
              (TLines{"cursor -11", "cursor 0", "color ffffff", "message ", "box unknown error"}));
    EXPECT_EQ(Engine.Calls, TLines{"VerifyWithWMDll(SITE|/p/a.jpg)"});
}

// ---- Set --------------------------------------------------------------------------

TEST_F(MainWindowLogic, SetRoutesByExtension) {
    View.MarkCode = "K";
    Choose("/p/photo.jpg");
    Logic.btnSetClick();
    EXPECT_EQ(Engine.Calls, TLines{"SignJpeg(K|/p/photo.jpg|/p/photo.jpg.mod.jpg)"});
    Choose("/c/CLIP.AVI");
    Logic.btnSetClick();
    EXPECT_EQ(Engine.Calls, TLines{"SignAVI(K|/c/CLIP.AVI|/c/CLIP.AVI.mod.avi)"});
    Choose("/p/noext");
    Logic.btnSetClick();
    EXPECT_EQ(Engine.Calls, TLines{"SignJpeg(K|/p/noext|/p/noext.mod.jpg)"});
    EXPECT_EQ(View.Log, TLines{}); // success shows nothing, not even a cursor
}

TEST_F(MainWindowLogic, SetHandsOverTheWholeSiteCode) {
    View.MarkCode = std::string(400, 's');
    Choose("/p/photo.jpg");
    Logic.btnSetClick();
    EXPECT_EQ(Engine.Calls,
              TLines{"SignJpeg(" + std::string(400, 's') + "|/p/photo.jpg|/p/photo.jpg.mod.jpg)"});
}

TEST_F(MainWindowLogic, FailedSigningSaysSoAndNamesTheCopy) {
    View.MarkCode = "K";
    Engine.SignResult = false;
    Logic.btnSetClick(); // nothing chosen
    EXPECT_EQ(Engine.Calls, TLines{"SignJpeg(K||.mod.jpg)"});
    EXPECT_EQ(View.Log, TLines{"box " + SigningFailedText(".mod.jpg")});
    EXPECT_NE(SigningFailedText("/x/y.mod.avi").find("\"/x/y.mod.avi\""), std::string::npos);
    EXPECT_EQ(View.PanelColor, clWhite);
    EXPECT_EQ(View.Message, "Choose a file to verify.");
}

// ---- the dialog's filter -------------------------------------------------------------

TEST(DialogFilter, PairsKeepTheirLabelsWordForWord) {
    const auto Pairs = ParseDialogFilter(PictureDialogFilter);
    ASSERT_EQ(Pairs.size(), 2u);
    EXPECT_EQ(Pairs[0].Label, "JPEG Image File (*.jpg;*.jpeg)");
    EXPECT_EQ(Pairs[0].Patterns, (TLines{"*.jpg", "*.jpeg"}));
    EXPECT_EQ(Pairs[1].Label, "AVI Movie File(*.avi)");
    EXPECT_EQ(Pairs[1].Patterns, TLines{"*.avi"});
    EXPECT_EQ(ToolkitNameFilter(Pairs[0]), "JPEG Image File (*.jpg;*.jpeg) (*.jpg *.jpeg)");
    EXPECT_EQ(ToolkitNameFilter(Pairs[1]), "AVI Movie File(*.avi) (*.avi)");
}

TEST(DialogFilter, OddFilters) {
    EXPECT_TRUE(ParseDialogFilter("").empty());
    EXPECT_TRUE(ParseDialogFilter("Label only").empty());
    const auto Pairs = ParseDialogFilter("A|*.a;;*.b|B");
    ASSERT_EQ(Pairs.size(), 1u);
    EXPECT_EQ(Pairs[0].Patterns, (TLines{"*.a", "*.b"}));
}

TEST(DialogFilter, PreviewOnlyForJpegExtensions) {
    for (const char* Yes : {"/a/b.jpg", "/a/b.JPG", "/a/b.jpeg", "/a/b.JpEg"})
        EXPECT_TRUE(IsPreviewedPicture(Yes)) << Yes;
    for (const char* No : {"/a/b.avi", "/a/b.jpe", "/a/b.jpg.avi", "/a/b", "/a.jpg/b", ""})
        EXPECT_FALSE(IsPreviewedPicture(No)) << No;
}

// ---- with the real adapter and the stand-in library beside this binary -------------

class MainWindowWithStandin : public ::testing::Test {
  protected:
    TEngineEntries Entries() {
        TEngineEntries E = Engine.Entries();
        E.Media.VerifyWithWMDll = &VerifyWithWMDll;
        return E;
    }

    // Puts a photo holding Content in the stand-in's folder, chooses it
    // through the dialog and enters Code; returns the photo's path.
    std::string ChoosePhoto(const test::TStandinSession& Standin, TMainWindowLogic& Logic,
                            const std::string& Content, const std::string& Code) {
        const std::string Jpg = Standin.Dir() / "photo.jpg";
        test::WriteBytes(Jpg, Content);
        View.DialogAnswers.push_back(Jpg);
        Logic.edtFileNameButtonClick();
        View.MarkCode = Code;
        return Jpg;
    }

    TFakeView View;
    TFakeEngine Engine;
};

TEST_F(MainWindowWithStandin, AviAndEmptyInputsNeverReachTheLibrary) {
    test::TStandinSession Standin("1");
    TMainWindowLogic Logic(View, Entries());
    Logic.FormCreate();
    const std::string Avi = Standin.Dir() / "CLIP.AVI";
    test::WriteBytes(Avi, std::string("RIFF"));

    Logic.btnVerifyClick(); // no file, no code
    View.MarkCode = "SITE";
    Logic.btnVerifyClick(); // no file
    View.DialogAnswers.push_back(Avi);
    Logic.edtFileNameButtonClick();
    Logic.btnVerifyClick();
    EXPECT_EQ(Standin.Calls(), TLines{});
    EXPECT_EQ(Engine.Calls.back(), "VerifyAVI(SITE|" + Avi + ")");
}

TEST_F(MainWindowWithStandin, LibraryVerdictOfOneStandsAlone) {
    test::TStandinSession Standin("5");
    TMainWindowLogic Logic(View, Entries());
    Engine.PictureW = 10;
    const std::string Jpg = ChoosePhoto(Standin, Logic, "not decoded here", "SITE-42");
    Engine.Calls.clear();
    Logic.btnVerifyClick();
    EXPECT_EQ(Engine.Calls, TLines{});
    EXPECT_EQ(View.PanelColor, clBlue);
    EXPECT_EQ(Standin.Calls(), test::TStandinSession::FullRequest("SITE-42", Jpg));
}

TEST_F(MainWindowWithStandin, LibraryFailuresFallBackToTheBuiltInCheck) {
    for (const bool InitFails : {false, true}) {
        test::TStandinSession Standin("-1", InitFails);
        TMainWindowLogic Logic(View, Entries());
        const std::string Jpg = ChoosePhoto(Standin, Logic, "x", "SITE");
        Engine.Calls.clear();
        Engine.JpegCode = 0;
        Logic.btnVerifyClick();
        EXPECT_EQ(Engine.Calls, TLines{"VerifyJpeg(SITE|" + Jpg + ")"});
        EXPECT_EQ(View.PanelColor, clRed);
        EXPECT_EQ(Standin.Calls().back(), "unload");
    }
}

TEST_F(MainWindowWithStandin, ThrowingLibraryIsAnUnknownErrorWithTheCursorBack) {
    test::TStandinSession Standin("throw");
    TMainWindowLogic Logic(View, Entries());
    ChoosePhoto(Standin, Logic, "x", "SITE");
    Logic.btnVerifyClick();
    EXPECT_EQ(View.Cursor, crDefault);
    EXPECT_EQ(View.Log.back(), "box unknown error");
    EXPECT_EQ(Standin.Calls().back(), "unload");
}

} // namespace
} // namespace quillon

namespace quillon {
namespace {

// A file with a strong tag: a tag signed by a trusted key decides the
// frame and the line; every other tag leaves the system's own texts.
TEST(MainWindowStrongTag, TrustedTagsDecideTheFrameOthersKeepTheOriginalTexts) {
    struct TCase {
        const char* Name;
        int32_t Code;
        TStrongClass Class;
        TColor Color;
        const char* Line;
    };
    const TCase Cases[] = {
        {"Original", 1, TStrongClass::Original, clBlue,
         "Original file, signed by Ed Itor on 2025-12-06 05:46 UTC"},
        // The keyed checksum was recomputed over changed pixels: the tag tells.
        {"ChangedDespiteChecksum", 1, TStrongClass::Changed, clRed,
         "Changed since signed by Ed Itor on 2025-12-06 05:46 UTC"},
        {"MetadataChanged", 1, TStrongClass::PixelsOriginal, clYellow,
         "Original pixels, other data changed since signed by Ed Itor on 2025-12-06 05:46 UTC"},
        {"NoTag", 1, TStrongClass::NoTag, clBlue, TextOriginal},
        {"UntrustedNeverBlueByItsTag", 0, TStrongClass::Untrusted, clRed, TextChanged},
        {"UntrustedKeepsTheChecksumsVerdict", 1, TStrongClass::Untrusted, clBlue, TextOriginal},
        {"Damaged", 0, TStrongClass::Damaged, clRed, TextChanged},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TMediaVerdict Verdict;
        Verdict.Legacy = TVerifyResult{C.Code};
        Verdict.Strong.Class = C.Class;
        Verdict.Strong.KeyComment = C.Class == TStrongClass::Untrusted ? "" : "Ed Itor";
        Verdict.Strong.SignedAt = 1'765'000'000;
        TTrustedKeyList Asked;
        TEngineEntries E;
        E.Media.VerifyWithWMDll = [](const char*, const char*) -> int32_t { return -3; };
        E.Media.VerifyJpegWithTag = [&](const char*, const char*, const TTrustedKeyList& Keys) {
            Asked = Keys;
            return Verdict;
        };
        E.Media.VerifyAviWithTag = [&](const char*, const char*, bool, const TTrustedKeyList&) {
            return Verdict;
        };
        E.TrustedKeys = [] { return TTrustedKeyList{TPublicKey{{}, {}, "Ed Itor"}}; };
        test::TFakeView View;
        TMainWindowLogic Logic(View, E);
        Logic.FormCreate();
        View.DialogAnswers.push_back("photo.jpg");
        Logic.edtFileNameButtonClick();
        View.MarkCode = "SITE";
        Logic.btnVerifyClick();
        EXPECT_EQ(View.PanelColor, C.Color);
        EXPECT_EQ(View.Message, C.Line);
        ASSERT_EQ(Asked.size(), 1u);
        EXPECT_EQ(Asked[0].Comment, "Ed Itor");
    }
}

} // namespace
} // namespace quillon
