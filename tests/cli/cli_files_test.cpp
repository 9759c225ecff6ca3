#include "cli/cli_files.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quillon::cli {
namespace {

namespace fs = std::filesystem;

TEST(CliFiles, FolderWalkFindsMediaFilesSortedAndRecursively) {
    test::TScratchDir Dir;
    const fs::path R = Dir.Path();
    fs::create_directories(R / "b" / "deep" / "er");
    fs::create_directories(R / "a.avi"); // a folder, not a movie
    for (const char* Name : {"z.JPG", "b/deep/er/m.Avi", "b/x.jpeg", "a.avi/in.jpg", "notes.txt",
                             "b/photo.jpg.bak", "c.avi", "b/deep/Y.jPeG"})
        test::WriteBytes(R / Name, std::string("x"));
#ifndef _WIN32
    // Windows gives folder links to administrators only.
    fs::create_directory_symlink(R, R / "b" / "loop"); // must not be followed
#endif

    const TTargets T = CollectTargets({R.string()});
    EXPECT_TRUE(T.Problems.empty());
    const std::vector<std::string> Expected = {
        (R / "a.avi" / "in.jpg").string(),
        (R / "b" / "deep" / "Y.jPeG").string(),
        (R / "b" / "deep" / "er" / "m.Avi").string(),
        (R / "b" / "x.jpeg").string(),
        (R / "c.avi").string(),
        (R / "z.JPG").string(),
    };
    EXPECT_EQ(T.Files, Expected);
}

TEST(CliFiles, FolderWithoutMediaIsAProblem) {
    test::TScratchDir Dir;
    test::WriteBytes(Dir / "readme.txt", std::string("x"));
    const TTargets T = CollectTargets({Dir.Path().string()});
    EXPECT_TRUE(T.Files.empty());
    ASSERT_EQ(T.Problems.size(), 1u);
    EXPECT_NE(T.Problems[0].find(Dir.Path().string()), std::string::npos);
}

} // namespace
} // namespace quillon::cli
