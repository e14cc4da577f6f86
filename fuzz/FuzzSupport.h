#pragma once
// Helpers shared by the fuzz targets: a check of the tree's link
// invariants, a structural comparison of two trees, and silencing of Qt's
// own diagnostics. A violated property aborts, which libFuzzer reports as a
// crash together with the input.

#include "app/LargeStack.h"
#include "xml/XMLDocument.h"
#include "xml/XMLNode.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

inline void fuzzFail(const char* what)
{
    std::fprintf(stderr, "fuzz property violated: %s\n", what);
    std::abort();
}

inline void fuzzCheck(bool condition, const char* what)
{
    if (!condition)
        fuzzFail(what);
}

// Runs one input on a thread with the program's large stack: documents and
// expressions nest as deep as the program accepts, which the default stack
// of libFuzzer's thread would not hold.
template <class Body>
void onLargeStack(Body body)
{
    runOnLargeStack([&] {
        body();
        return 0;
    });
}

inline void silenceQtMessages()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

// Every child list is a proper doubly linked chain: first and last child
// are its ends, each node points back to its parent and its predecessor.
// Character-data nodes have no children.
inline void checkTreeLinks(const XMLNode* root)
{
    if (root == nullptr)
        return;
    std::vector<const XMLNode*> pending{root};
    while (!pending.empty()) {
        const XMLNode* node = pending.back();
        pending.pop_back();
        if (!node->isElement())
            fuzzCheck(node->firstChild() == nullptr, "character data has children");
        const XMLNode* previous = nullptr;
        for (const XMLNode* child = node->firstChild(); child != nullptr; child = child->nextSibling()) {
            fuzzCheck(child->parent() == node, "child's parent link");
            fuzzCheck(child->previousSibling() == previous, "child's previous-sibling link");
            previous = child;
            pending.push_back(child);
        }
        fuzzCheck(node->lastChild() == previous, "last child is the end of the chain");
    }
}

// Whether the two subtrees have the same kinds, names, attributes (values
// and their absence) and contents, in the same order.
inline bool sameTree(const XMLNode* a, const XMLNode* b)
{
    std::vector<std::pair<const XMLNode*, const XMLNode*>> pending{{a, b}};
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        if ((x == nullptr) != (y == nullptr))
            return false;
        if (x == nullptr)
            continue;
        if (x->kind() != y->kind())
            return false;
        if (const XMLElement* ex = x->toElement()) {
            const XMLElement* ey = y->toElement();
            if (ex->tagName() != ey->tagName() || ex->attributes().size() != ey->attributes().size())
                return false;
            auto ay = ey->attributes().begin();
            for (const XMLAttribute& ax : ex->attributes()) {
                if (ax.name() != ay->name() || ax.value() != ay->value())
                    return false;
                ++ay;
            }
        } else if (static_cast<const XMLCharacterData*>(x)->content() !=
                   static_cast<const XMLCharacterData*>(y)->content()) {
            return false;
        }
        const XMLNode* cy = y->firstChild();
        for (const XMLNode* cx = x->firstChild(); cx != nullptr; cx = cx->nextSibling()) {
            if (cy == nullptr)
                return false;
            pending.emplace_back(cx, cy);
            cy = cy->nextSibling();
        }
        if (cy != nullptr)
            return false;
    }
    return true;
}
