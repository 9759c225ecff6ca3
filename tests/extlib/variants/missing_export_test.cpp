// Runs beside a stand-in library that lacks one of the two called exports.
#include "extlib/uKvWMDll.h"
#include "support/standin_session.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(WMDllMissingExport, TreatedAsAbsentAndUnloaded) {
    test::TStandinSession Standin("1");
    const std::string File = Standin.Dir() / "photo.jpg";
    test::WriteBytes(File, std::string("data"));

    EXPECT_EQ(VerifyWithWMDll("SITE", File.c_str()), -3) << "without " MISSING_EXPORT;
    // Loaded and unloaded once; neither entry was called.
    EXPECT_EQ(Standin.Calls(), (std::vector<std::string>{"load", "unload"}));

    EXPECT_FALSE(LoadWMDll());
    EXPECT_EQ(Standin.Calls(), (std::vector<std::string>{"load", "unload", "load", "unload"}));
}

} // namespace
} // namespace quillon
