#include "TreeDump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Tree : public ::testing::Test {
protected:
    XMLElement* make(const char* name) { return document.createElement(name); }

    // Child names in order; also checks the links that every list
    // operation must keep consistent.
    std::string children(const XMLNode* parent)
    {
        std::string names;
        const XMLNode* previous = nullptr;
        for (const XMLNode* child = parent->firstChild(); child; child = child->nextSibling()) {
            EXPECT_EQ(child->parent(), parent);
            EXPECT_EQ(child->previousSibling(), previous);
            names += std::string(child->toElement()->tagName()) + " ";
            previous = child;
        }
        EXPECT_EQ(parent->lastChild(), previous);
        return names;
    }

    XMLDocument document{false};
};

TEST_F(Tree, AppendAndPrepend)
{
    XMLElement* p = make("p");
    p->appendChild(make("a"));
    EXPECT_EQ(children(p), "a ");
    p->appendChild(make("b"));
    p->prependChild(make("c"));
    EXPECT_EQ(children(p), "c a b ");

    XMLElement* q = make("q");
    q->prependChild(make("x"));
    q->appendChild(make("y"));
    EXPECT_EQ(children(q), "x y ");
}

TEST_F(Tree, RemoveFirstMiddleLastAndOnly)
{
    XMLElement* p = make("p");
    XMLElement* a = make("a");
    XMLElement* b = make("b");
    XMLElement* c = make("c");
    p->appendChild(a);
    p->appendChild(b);
    p->appendChild(c);
    p->removeChild(b);
    EXPECT_EQ(children(p), "a c ");
    EXPECT_EQ(b->parent(), p);  // a removed node keeps its old links
    EXPECT_EQ(b->nextSibling(), c);
    p->removeChild(b);  // no longer a child: nothing happens
    EXPECT_EQ(children(p), "a c ");
    p->removeChild(c);
    EXPECT_EQ(children(p), "a ");
    p->removeChild(a);
    EXPECT_EQ(children(p), "");
    EXPECT_EQ(p->firstChild(), nullptr);
}

TEST_F(Tree, ReplaceLastChild)
{
    XMLElement* p = make("p");
    XMLElement* a = make("a");
    XMLElement* b = make("b");
    p->appendChild(a);
    p->appendChild(b);
    XMLElement* n = make("n");
    n->appendChild(make("kid"));
    p->replaceChild(b, n);
    EXPECT_EQ(children(p), "a n ");
    EXPECT_EQ(n->nextSibling(), nullptr);
    EXPECT_EQ(children(n), "kid ");
    EXPECT_EQ(b->parent(), p);  // untouched
}

// The first child's link to the last child must follow every replacement.
TEST_F(Tree, ReplaceAtEveryPosition)
{
    const struct {
        int children;
        int replaced;
        const char* result;
    } cases[] = {{1, 0, "n "}, {3, 0, "n c1 c2 "}, {3, 1, "c0 n c2 "}, {3, 2, "c0 c1 n "}};
    for (const auto& c : cases) {
        XMLElement* p = make("p");
        std::vector<XMLElement*> kids;
        for (int i = 0; i < c.children; ++i) {
            kids.push_back(make(("c" + std::to_string(i)).c_str()));
            p->appendChild(kids.back());
        }
        p->replaceChild(kids[c.replaced], make("n"));
        EXPECT_EQ(children(p), c.result);
        p->appendChild(make("end"));
        EXPECT_EQ(children(p), std::string(c.result) + "end ");
    }
}

TEST_F(Tree, InsertChainAfterFirstChild)
{
    XMLElement* p = make("p");
    XMLElement* first = make("first");
    p->appendChild(first);
    p->appendChild(make("second"));
    XMLElement* holder = make("holder");
    holder->appendChild(make("x"));
    holder->appendChild(make("y"));
    holder->appendChild(make("z"));
    p->insertAfter(first, holder->takeChildren());
    EXPECT_EQ(children(p), "first x y z second ");
    EXPECT_EQ(holder->firstChild(), nullptr);
    EXPECT_EQ(holder->lastChild(), nullptr);

    XMLElement* empty = make("empty");
    XMLElement* lone = make("lone");
    empty->insertAfter(nullptr, lone);
    EXPECT_EQ(children(empty), "lone ");
    p->insertAfter(p->lastChild(), make("end"));
    EXPECT_EQ(children(p), "first x y z second end ");
}

TEST_F(Tree, AttributesInByteOrder)
{
    XMLElement* e = make("e");
    for (const char* name : {"b", "a", "B", "_c", "a:", "-", "ab", "\xC3\xA9"})
        e->setAttribute(name, "v");
    std::string order;
    for (const XMLAttribute& attr : e->attributes())
        order += std::string(attr.name()) + " ";
    EXPECT_EQ(order, "- B _c a a: ab b \xC3\xA9 ");

    e->setAttribute("a", "new");
    EXPECT_EQ(e->attributes().size(), 8u);
    EXPECT_EQ(e->attribute("a"), "new");
    e->removeAttribute("a");
    e->removeAttribute("missing");
    EXPECT_FALSE(e->hasAttribute("a"));
    EXPECT_EQ(e->attributes().size(), 7u);
}

TEST_F(Tree, AbsentAndEmptyValuesDiffer)
{
    XMLElement* e = make("e");
    e->setAttribute("none", std::nullopt);
    e->setAttribute("empty", "");
    EXPECT_TRUE(e->hasAttribute("none"));
    EXPECT_EQ(e->attribute("none"), std::nullopt);
    EXPECT_EQ(e->attribute("empty"), "");

    std::optional<std::string_view> found = "untouched";
    EXPECT_TRUE(e->findAttribute("none", found));
    EXPECT_EQ(found, std::nullopt);
    found = "untouched";
    EXPECT_FALSE(e->findAttribute("missing", found));
    EXPECT_EQ(found, "untouched");
}

TEST_F(Tree, CloneIsDeepAndUnlinked)
{
    XMLDocument withText(true);
    ASSERT_TRUE(withText.parse("<r a='1' b=''><x k='v'>t<![CDATA[c]]><!--m--></x><y/></r>"));
    XMLNode* copy = withText.cloneNode(withText.root(), nullptr);
    EXPECT_EQ(dumpNode(copy), dumpNode(withText.root()));
    EXPECT_EQ(copy->parent(), nullptr);
    EXPECT_EQ(copy->line(), -1);
    EXPECT_EQ(copy->firstChild()->line(), -1);

    withText.root()->toElement()->setAttribute("a", "changed");
    EXPECT_EQ(copy->toElement()->attribute("a"), "1");

    XMLElement* parent = document.createElement("parent");
    XMLNode* foreign = document.cloneNode(withText.root(), parent);
    EXPECT_EQ(parent->firstChild(), foreign);
    // keepText: every run between markup is a text node, empty ones too
    EXPECT_EQ(dumpNode(foreign), "r[a=changed,b=]{\"\" x[k=v]{\"t\" C\"c\" \"\" !\"m\" \"\"} \"\" y \"\"}");
}

}  // namespace
