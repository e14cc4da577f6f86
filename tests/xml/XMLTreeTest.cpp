#include "xml/XMLDocument.h"

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

TEST_F(Tree, Append)
{
    XMLElement* p = make("p");
    p->appendChild(make("a"));
    EXPECT_EQ(children(p), "a ");
    p->appendChild(make("b"));
    EXPECT_EQ(children(p), "a b ");
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

}  // namespace
