#pragma once

#include <utility>

namespace zuna::platform {

// Qt and LibreOffice mark the containers above the focused element as focused too (a filler, a
// split pane, a panel), so the first focused element found from the window down may be one of
// them. From there this goes down to the innermost focused element that is shown. An element
// that takes text is the answer itself: a terminal or an editor may hold focused parts of its own.
//
// `Tree` answers for its nodes (copied or moved, false when empty): `takesText(node)`,
// `focused(node)`, `shown(node)`, `children(node)` (a range of nodes), and `goOn()`, false once
// the time or the number of elements allowed for the walk is spent.
template <typename Tree, typename Node>
Node innermostFocused(Tree& tree, Node element) {
    struct Descent {
        Tree& tree;
        // The first focused element below `node`, depth first through shown elements.
        Node below(const Node& node) {
            for (auto& child : tree.children(node)) {
                if (!tree.goOn()) return Node();
                if (!child || !tree.shown(child)) continue;
                if (tree.focused(child)) return std::move(child);
                if (Node found = below(child)) return found;
            }
            return Node();
        }
    };
    Descent descent{tree};
    while (tree.goOn() && !tree.takesText(element)) {
        Node deeper = descent.below(element);
        if (!deeper) break;
        element = std::move(deeper);
    }
    return element;
}

}  // namespace zuna::platform
