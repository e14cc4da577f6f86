#include "macros/MacroTable.h"
#include "macros/ProductMacros.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

TEST(MacroTable, HoldsTheSystemMacrosInOrder)
{
    const MacroTable table;
    const std::vector<std::string> names = {"Date",     "DateYear",      "DateMonth", "DateDay",  "Time",
                                            "TimeHour", "TimeMinute",    "TimeSecond", "UnixTime", "HostArch",
                                            "HostArchClass", "HostOS",   "Micro",     "TargetID", "HostEXE",
                                            "HostDLLExt", "HostDLL"};
    std::vector<std::string> described;
    for (const auto& record : table.descriptions())
        described.push_back(record->name());
    EXPECT_EQ(described, names);
    EXPECT_EQ(table.values().size(), names.size());
    EXPECT_EQ(table.marker(), '$');

    const MacroMap& values = table.values();
    EXPECT_EQ(values.at("Date"), "");
    EXPECT_EQ(values.at("HostArch") + values.at("HostArchClass") + values.at("HostOS"), "arm64armlinux");
    EXPECT_EQ(values.at("Micro") + values.at("TargetID") + values.at("HostEXE"), "ARM8");
    EXPECT_EQ(values.at("HostDLLExt") + " " + values.at("HostDLL"), ".so .so_arm64");
    EXPECT_EQ(values.count("date") + values.count("HostOs"), 0u);

    const MacroPropertyClass& hostArch = *table.descriptions()[9];
    EXPECT_EQ(hostArch.referenceForm(), "$(HostArch)");
    EXPECT_EQ(hostArch.group(), "System Macro Values");
    EXPECT_EQ(hostArch.description(), "The CPU architecture that Tovrin is running on e.g. x86.");
}

TEST(MacroTable, AddingReplacesValuesAndRecordsDescriptions)
{
    MacroTable table;
    table.addMacro("HostOS", "win", "");
    table.addPathMacro("VosselDir", PathValue("/opt/./tool//lib/.."), "");
    EXPECT_EQ(table.values().at("HostOS"), "win");
    EXPECT_EQ(table.values().at("VosselDir"), "/opt/tool");
    EXPECT_EQ(table.values().size(), 18u);
    EXPECT_EQ(table.descriptions().size(), 17u);
    table.addMacro("Extra", "1", "first");
    table.addMacro("Extra", "2", "second");
    EXPECT_EQ(table.values().at("Extra"), "2");
    EXPECT_EQ(table.descriptions().size(), 19u);
}

TEST(ProductMacros, AreOneFixedMap)
{
    const MacroMap& macros = productMacros();
    EXPECT_EQ(&macros, &productMacros());
    EXPECT_EQ(macros.size(), 13u);
    EXPECT_EQ(macros.at("ide"), "Tovrin");
    EXPECT_EQ(macros.at("ide_branding"), "Tovrin for ARM");
    EXPECT_EQ(macros.at("ide_product_generic_name"), "Zembla for ARM");
    EXPECT_EQ(macros.at("ide_major_version") + macros.at("ide_minor_version") + macros.at("ide_revision"), "523");
    EXPECT_EQ(macros.at("release") + macros.at("platform") + macros.at("build"), "5.2ARMRELEASE");
    EXPECT_EQ(macros.at("host_os") + macros.at("host"), "linuxUNIX");
}

TEST(PathValue, NormalisesOnFirstRead)
{
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"/usr/local/bin", "/usr/local/bin"}, {"/a/./b", "/a/b"},   {"a//b/", "a/b"},
        {"./a", "a"},                         {"/a/b/../c", "/a/c"}, {"a/..", ""},
        {"../a", "../a"},                     {"/../a", "/../a"},    {"a/../../b", "../b"},
        {"", ""},                             {"/", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathValue(c.path).text(), c.expected) << "path: " << c.path;

    const PathValue original("x/./y");
    const PathValue copy = original;
    EXPECT_EQ(&copy.text(), &original.text());
}

std::string canonical(const QString& path)
{
    return QFile::encodeName(QDir(path).canonicalPath()).toStdString();
}

TEST(ApplicationPaths, AreCanonicalDirectoriesAboveTheExecutable)
{
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const QString root = temporary.path();
    ASSERT_TRUE(QDir(root).mkpath("inst/bin"));
    ASSERT_TRUE(QFile::link(root + "/inst/bin", root + "/link"));

    setApplicationPaths(QFile::encodeName(root + "/link/prog").toStdString(), 1);
    EXPECT_EQ(executableDirectory().text(), canonical(root + "/inst/bin"));
    EXPECT_EQ(installDir(), canonical(root + "/inst"));
    setApplicationPaths(QFile::encodeName(root + "/inst/bin/prog").toStdString(), 2);
    EXPECT_EQ(installDir(), canonical(root));

    setApplicationPaths("/no/such/directory/prog", 1);
    EXPECT_EQ(executableDirectory().text(), "");
    EXPECT_EQ(installDir(), "");
}

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

    const std::string self = executablePath("argv0");
    EXPECT_EQ(self.substr(self.rfind('/') + 1), "macros_tests");
}

}  // namespace
