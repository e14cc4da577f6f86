// The running program's path, as "/proc/self/exe" gives it, decides the
// installation directory (VosselDir, checked end to end). A target that
// does not fit in 1023 bytes gives the first argument instead.
#include "macros/PathValue.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

TEST(ApplicationPaths, LinkTargetsOf1024BytesFallBack)
{
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const std::string link = QFile::encodeName(temporary.path() + "/link").toStdString();
    const std::string longest(1023, 'a');
    ASSERT_EQ(::symlink(longest.c_str(), link.c_str()), 0);
    EXPECT_EQ(readLinkTarget(link.c_str(), "argv0"), longest);

    const std::string tooLong = link + "2";
    ASSERT_EQ(::symlink((longest + "a").c_str(), tooLong.c_str()), 0);
    EXPECT_EQ(readLinkTarget(tooLong.c_str(), "argv0"), "argv0");
    EXPECT_EQ(readLinkTarget("/no/such/link", nullptr), "");
}

}  // namespace
