// One -xhtml page, several outputs: the command-line macros reach the page
// where it names them, and nowhere else.
#include "support/BinaryRun.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace {

class XhtmlMacroList : public ScratchFolderTest {
protected:
    XhtmlMacroList() : ScratchFolderTest("xmlpp-xhtml-list") {}

    std::string page(const std::string& text, const std::vector<std::string>& list)
    {
        binary_run::writeFile(work() / "page.xml", text);
        std::vector<std::string> args{"-xhtml", "page.xml", "page.html"};
        args.insert(args.end(), list.begin(), list.end());
        const binary_run::Result run = binary_run::run(work(), args);
        EXPECT_EQ(run.status, 0) << run.err;
        return binary_run::readFile(work() / "page.html");
    }
};

TEST_F(XhtmlMacroList, PagesDifferExactlyWhereTheMacroIsUsed)
{
    const std::string text = "<html lang='$(lang)' expand_attributes='lang'><body>\n"
                             "<p><expand_definition name='ide'/> <expand_definition name='lang'/></p>\n"
                             "<a href='$(lang)/index.html' expand_attributes='href'>lang</a>\n"
                             "</body></html>\n";
    const std::string german = page(text, {"lang=de"});
    std::string english = german;
    for (const auto& [de, en] : {std::pair<std::string, std::string>{"lang=\"de\"", "lang=\"en\""},
                                 {"Tovrin de</p>", "Tovrin en</p>"},
                                 {"href=\"de/index.html\"", "href=\"en/index.html\""}}) {
        const std::size_t at = english.find(de);
        ASSERT_NE(at, std::string::npos) << de << " in " << german;
        english.replace(at, de.size(), en);
    }
    EXPECT_EQ(page(text, {"lang=en"}), english);
}

// Product macros, a definition, an include with macros: nothing names a
// macro of the list (an item without '=' is ignored, whatever it names).
TEST_F(XhtmlMacroList, APageThatNamesNoneOfTheMacrosIsTheSameWithOrWithoutAList)
{
    binary_run::writeFile(work() / "part.xml", "<div title='$(WHO:all)'><ifdef name='lang'>lang</ifdef></div>");
    const std::string text = "<body><define name='x' value='1'/><ifdef name='x'><p><expand_definition "
                             "name='ide'/></p></ifdef><a href='$(ide_url)' expand_attributes='href'/>"
                             "<include filename='part.xml' expand_macros='' macros='WHO=you'/></body>";
    const std::string without = page(text, {});
    EXPECT_NE(without.find("<div title=\"you\"/>"), std::string::npos) << without;
    EXPECT_EQ(page(text, {"Day=1;Month=May;Year=2000;colour=red"}), without);
    EXPECT_EQ(page(text, {"lang"}), without);
}

}  // namespace
