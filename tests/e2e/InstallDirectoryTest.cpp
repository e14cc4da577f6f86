// VosselDir, the installation directory: the parent of the folder that
// holds the running program, wherever the link used to start it lies. The
// default mode's include names see it; the -xhtml mode's never do.
#include "support/BinaryRun.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

TEST(InstallDirectory, VosselDirInIncludeNames)
{
    const fs::path root = fs::temp_directory_path() / ("xmlpp-vosseldir-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "inst" / "bin");
    fs::create_directories(root / "inst" / "share");
    fs::create_directories(root / "work" / "bin");
    fs::copy_file(XMLPP_BINARY, root / "inst" / "bin" / "xmlpp");
    fs::create_symlink(root / "inst" / "bin" / "xmlpp", root / "work" / "bin" / "xmlpp");
    binary_run::writeFile(root / "inst" / "share" / "part.xml", "<part/>");
    binary_run::writeFile(root / "work" / "in.xml", "<r><include filename=\"$(VosselDir)/share/part.xml\"/></r>");
    const std::string include = "<include expand_macros=\"\" filename=\"$(VosselDir)/share/part.xml\"/>";
    binary_run::writeFile(root / "work" / "page.xml", "<r>" + include + "</r>");

    binary_run::Options started;
    for (const fs::path& binary : {root / "inst" / "bin" / "xmlpp", root / "work" / "bin" / "xmlpp"}) {
        started.binary = binary.string();
        binary_run::Result run = binary_run::run(root / "work", {"in.xml", "out.xml"}, started);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(binary_run::readFile(root / "work" / "out.xml"), "<r>\n  <part/>\n</r>\n") << binary;
        run = binary_run::run(root / "work", {"-xhtml", "page.xml", "out.html"}, started);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(binary_run::readFile(root / "work" / "out.html").find("<r>\n  " + include + "\n</r>\n"),
                  std::string::npos)
            << binary;
    }
    if (!::testing::Test::HasFailure())
        fs::remove_all(root);
}

}  // namespace
