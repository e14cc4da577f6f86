// The compact tree storage: attribute runs that grow, move and shrink,
// values from the text and made later side by side, names of every length
// through the name cache and the table, node space across blocks, and
// sizes that 32-bit records must not cut.
#include "TreeDump.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <string>
#include <vector>

namespace {

std::string names(const XMLElement* element)
{
    std::string out;
    for (const XMLAttribute& attr : element->attributes())
        out += std::string(attr.name()) + (attr.hasValue() ? "=" + std::string(attr.text()) : "") + " ";
    return out;
}

TEST(AttributeRun, ReadRunGrowsMovesAndShrinksInNameOrder)
{
    XMLDocument document(false);
    ASSERT_TRUE(document.parse("<e m='1' c='&amp;2' x='3'/>"));
    XMLElement* e = document.root();
    // The walker's pattern: values replaced while the run is iterated.
    for (const XMLAttribute& attr : e->attributes())
        e->setAttribute(attr.name(), std::string(attr.text()) + "!");
    EXPECT_EQ(names(e), "c=&2! m=1! x=3! ");
    // Full (a read run has no spare room): each new name moves the run.
    for (const char* name : {"a", "z", "d", "b", "y"})
        e->setAttribute(name, name);
    e->setAttribute("n", std::nullopt);
    EXPECT_EQ(names(e), "a=a b=b c=&2! d=d m=1! n x=3! y=y z=z ");
    e->removeAttribute("a");
    e->removeAttribute("z");
    e->removeAttribute("m");
    EXPECT_EQ(names(e), "b=b c=&2! d=d n x=3! y=y ");
    e->setAttribute("m", "again");
    EXPECT_EQ(e->attribute("m"), "again");
    EXPECT_EQ(e->attribute("n"), std::nullopt);
    EXPECT_TRUE(e->hasAttribute("n"));
    EXPECT_EQ(e->attributes().size(), 7u);
}

TEST(AttributeRun, CloneSharesNothingThatChangesLater)
{
    XMLDocument document(false);
    ASSERT_TRUE(document.parse("<r><e a='1' b='2'/></r>"));
    XMLElement* source = document.root()->firstChild()->toElement();
    XMLElement* copy = document.cloneElement(source);
    copy->setAttribute("a", "changed");
    copy->setAttribute("c", "added");
    copy->removeAttribute("b");
    EXPECT_EQ(names(source), "a=1 b=2 ");
    EXPECT_EQ(names(copy), "a=changed c=added ");

    XMLDocument other(false);
    XMLElement* foreign = other.cloneElement(copy);
    document.root()->setAttribute("x", "y");  // the source document goes on changing
    EXPECT_EQ(names(foreign), "a=changed c=added ");
    EXPECT_EQ(&foreign->document(), &other);
}

// Names of one to eight bytes go through the cache when eight bytes can be
// read, through the table near the end of the text; both must agree, also
// for names sharing their first bytes.
TEST(NameNumbers, ShortAndLongNamesRoundTrip)
{
    std::vector<std::string> attributeNames;
    for (std::string name : {"o", "op", "opt", "opti", "optim", "optimi", "optimis", "optimise", "optimise9",
                             "optimisedLongerThanSixteen"})
        attributeNames.push_back(name);
    for (int i = 0; i < 600; ++i)  // more names than the cache has places
        attributeNames.push_back("n" + std::to_string(i));
    std::string text = "<r>";
    for (const std::string& name : attributeNames)
        text += "<" + name + " " + name + "='" + name + "'/>";
    text += "<optimise/></r>";
    XMLDocument document(false);
    ASSERT_TRUE(document.parse(text));
    const XMLNode* child = document.root()->firstChild();
    for (const std::string& name : attributeNames) {
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->toElement()->tagName(), name);
        EXPECT_EQ(child->toElement()->attributeText(name), name);
        child = child->nextSibling();
    }
    EXPECT_EQ(child->toElement()->tagName(), "optimise");  // read at the end of the text
}

TEST(NodeSpace, ListsSpanManyBlocks)
{
    // 300,000 elements and runs take about 13 MB: several 2 MiB blocks.
    std::string text = "<list>";
    for (int i = 0; i < 300000; ++i)
        text += "<i n='" + std::to_string(i) + "'/>";
    text += "</list>";
    XMLDocument document(false);
    ASSERT_TRUE(document.parse(text));
    XMLElement* list = document.root();
    XMLNode* child = list->firstChild();
    for (int i = 0; child != nullptr; ++i) {
        XMLNode* next = child->nextSibling();
        if (i % 2 == 1)
            list->removeChild(child);
        child = next;
    }
    int count = 0;
    const XMLNode* previous = nullptr;
    for (const XMLNode* node = list->firstChild(); node != nullptr; node = node->nextSibling()) {
        ASSERT_EQ(node->previousSibling(), previous);
        ASSERT_EQ(node->toElement()->attributeText("n"), std::to_string(2 * count));
        previous = node;
        ++count;
    }
    EXPECT_EQ(count, 150000);
    EXPECT_EQ(list->lastChild(), previous);
}

TEST(NodeSpace, RunLargerThanABlock)
{
    // 250,000 attributes: a run of 3 MB gets blocks of its own.
    std::string text = "<e";
    for (int i = 249999; i >= 0; --i)
        text += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
    text += "/>";
    XMLDocument document(false);
    ASSERT_TRUE(document.parse(text));
    XMLElement* e = document.root();
    ASSERT_EQ(e->attributes().size(), 250000u);
    EXPECT_EQ(e->attributes().begin()->name(), "a0");
    EXPECT_EQ(e->attributeText("a123456"), "123456");
    e->setAttribute("b", "new");  // moves the whole run
    EXPECT_EQ(e->attributeText("a249999"), "249999");
    EXPECT_EQ(e->attributes().size(), 250001u);
}

TEST(LargeSizes, NothingIsCutTo32Bits)
{
    // Five GiB of address space that is never touched.
    const std::size_t size = (std::size_t(5) << 30) + 3;
    void* space = ::mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(space, MAP_FAILED);
    const std::string_view huge(static_cast<const char*>(space), size);
    XMLDocument document(true);
    XMLData* data = document.createData("");
    data->setContent(huge);
    EXPECT_EQ(data->content().size(), size);
    EXPECT_EQ(XMLAttribute("n", huge).text().size(), size);
    ::munmap(space, size);

    // A value of 64 MiB and a name of 1 MiB, read and set.
    const std::string value(std::size_t(64) << 20, 'v');
    const std::string name(std::size_t(1) << 20, 'n');
    ASSERT_TRUE(document.parse("<e " + name + "='" + value + "'/>"));
    EXPECT_EQ(document.root()->attributeText(name).size(), value.size());
    document.root()->setAttribute(name + "2", value);
    EXPECT_EQ(document.root()->attributeText(name + "2"), value);
}

}  // namespace
