// Names that stand for something other than a regular file: a FIFO would
// block an open forever, a link to /dev/zero never ends. Every entry must
// refuse them at once, without writing anything.
#include "codec/jpeg/jpeg_render.h"
#include "containers/KvJpegComment.h"
#include "engine/media_file.h"
#include "platform/file_stream.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

namespace fs = std::filesystem;

TEST(NonRegularFiles, EveryEntryRefusesWhatIsNotARegularFile) {
    test::TScratchDir Dir;
    test::TScratchDir Temp;
    const test::TScopedEnv TempEnv("TEMP", Temp.Path().c_str());
    std::vector<std::string> Paths;
    for (const char* Name : {"fifo.avi", "fifo.jpg"}) {
        Paths.push_back(Dir / Name);
        ASSERT_EQ(::mkfifo(Paths.back().c_str(), 0600), 0);
    }
    for (const char* Name : {"zero.avi", "zero.jpg"}) {
        Paths.push_back(Dir / Name);
        ASSERT_EQ(::symlink("/dev/zero", Paths.back().c_str()), 0);
    }
    for (const std::string& Path : Paths) {
        SCOPED_TRACE(Path);
        const TVerifyResult Verified = VerifyMediaFile("SITE-42", Path);
        EXPECT_EQ(Verified.Code, VerifyNoFile);
        EXPECT_EQ(Verified.Reason, "not a regular file");
        const TSignResult Signed = SignMediaFile("SITE-42", Path, Path + ".mod");
        EXPECT_FALSE(Signed.Ok);
        EXPECT_FALSE(fs::exists(Path + ".mod"));
        EXPECT_THROW(RenderJpegFile(Path), EFileError);
        EXPECT_THROW(ReadJpegComment(Path), EFileError);
        try {
            TFileStream Stream(Path, TFileMode::OpenRead);
            ADD_FAILURE() << "opened";
        } catch (const EFileError& E) {
            EXPECT_EQ(E.Kind(), TFileErrorKind::NotAFile);
        }
    }
    // Signing leaves nothing behind beside the source or in TEMP.
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), {}), 4);
    EXPECT_TRUE(fs::is_empty(Temp.Path()));
}

} // namespace
} // namespace quillon
#endif
