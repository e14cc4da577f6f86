// The compact tree storage: attribute runs that grow, move and shrink,
// values from the text and made later side by side, names of every length
// through the name cache and the table, node space across blocks, and
// sizes that 32-bit records must not cut.
#include "TreeDump.h"
#include "xml/BlockPrefetcher.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <map>
#include <optional>
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

// Runs that grow by powers of two and shrink, checked against maps; two
// elements take turns, so that their runs lie next to each other.
TEST(AttributeRun, AddsAndRemovalsMatchAMap)
{
    XMLDocument document(false);
    XMLElement* elements[] = {document.createElement("e"), document.createElement("f")};
    std::map<std::string, std::optional<std::string>> expected[2];
    for (unsigned step = 0; step < 6000; ++step) {
        XMLElement* e = elements[step % 2];
        auto& map = expected[step % 2];
        const std::string name = "k" + std::to_string(step * 7919 % 257);
        if (step % 3 == 2) {
            e->removeAttribute(name);
            map.erase(name);
        } else {
            const std::optional<std::string> value =
                step % 5 == 0 ? std::nullopt : std::optional<std::string>(std::to_string(step));
            e->setAttribute(name, value);
            map[name] = value;
        }
    }
    for (int i = 0; i < 2; ++i) {
        std::string want;
        for (const auto& [name, value] : expected[i])
            want += name + (value ? "=" + *value : "") + " ";
        EXPECT_EQ(names(elements[i]), want);
    }
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
    other.setRoot(foreign);
    EXPECT_EQ(other.toString(0, 0), "<e a=\"changed\" c=\"added\" />");
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
    // 1,200,000 elements and runs take about 52 MB: many 2 MiB blocks, the
    // first 10 of them (as many bytes as the 19 MB of text) backed ahead of
    // the reader by the prefetching thread, the others mapped one by one.
    std::string text = "<list>";
    for (int i = 0; i < 1200000; ++i)
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
    EXPECT_EQ(count, 600000);
    EXPECT_EQ(list->lastChild(), previous);
}

// Blocks come out once each, in order, whether the thread is ahead, behind
// or still waiting when the prefetcher goes.
TEST(NodeSpace, PrefetcherHandsOutEachBlockOnce)
{
    constexpr std::size_t Block = std::size_t(64) << 10;
    constexpr std::size_t Count = 16;
    void* mapped = ::mmap(nullptr, Count * Block, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    char* first = static_cast<char*>(mapped);
    for (const std::size_t taken : {std::size_t(0), std::size_t(3), Count}) {
        BlockPrefetcher prefetcher(first, Count, Block, 2);
        for (std::size_t i = 0; i < taken; ++i) {
            char* block = prefetcher.take();
            ASSERT_EQ(block, first + i * Block);
            block[0] = block[Block - 1] = char(i);  // usable while the thread may back it
        }
        if (taken == Count) {
            EXPECT_EQ(prefetcher.take(), nullptr);
        }
    }
    ::munmap(mapped, Count * Block);
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

// Values up to 65,535 bytes are kept as offsets into the text, longer ones
// apart; and past 65,535 reads into one document every value is apart.
TEST(LargeSizes, ValuesAroundTheInlineLimit)
{
    XMLDocument document(false);
    for (std::size_t size : {std::size_t(0xFFFE), std::size_t(0xFFFF), std::size_t(0x10000), std::size_t(0x10001)}) {
        const std::string value(size, 'x');
        ASSERT_TRUE(document.parse("<e v='" + value + "' w='&lt;" + value + "'/>"));
        EXPECT_EQ(document.root()->attributeText("v"), value);
        EXPECT_EQ(document.root()->attributeText("w"), "<" + value);
    }
    std::vector<XMLElement*> roots;
    for (int i = 0; i < 70000; ++i) {
        ASSERT_TRUE(document.parse("<e v='" + std::to_string(i) + "'/>"));
        roots.push_back(document.root());
    }
    for (int i : {0, 65533, 65534, 65535, 69999})
        EXPECT_EQ(roots[i]->attributeText("v"), std::to_string(i));
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
