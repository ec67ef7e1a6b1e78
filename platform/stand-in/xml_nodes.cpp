#include "platform/stand-in/xml_nodes.h"

namespace standin::dom {

namespace {

// A COM object sets the _private field of its node.
bool has_com_object(xmlNodePtr node) {
    if (node->_private != nullptr) return true;
    for (xmlNodePtr child = node->children; child != nullptr; child = child->next)
        if (has_com_object(child)) return true;
    return false;
}

}  // namespace

xmlNodePtr top_of(xmlNodePtr node) {
    while (node->parent != nullptr) node = node->parent;
    return node;
}

void free_if_unreachable(xmlNodePtr top) {
    if (top->type == XML_DOCUMENT_NODE || top->parent != nullptr) return;
    if (!has_com_object(top)) xmlFreeNode(top);
}

bool is_ancestor_or_self(xmlNodePtr candidate, xmlNodePtr node) {
    for (; node != nullptr; node = node->parent)
        if (node == candidate) return true;
    return false;
}

// Done by hand because xmlAddChild merges adjacent text nodes and frees the one
// added, which would leave its COM object dangling.
void link_last_child(xmlNodePtr parent, xmlNodePtr child) {
    child->parent = parent;
    child->next = nullptr;
    child->prev = parent->last;
    if (parent->last != nullptr)
        parent->last->next = child;
    else
        parent->children = child;
    parent->last = child;
}

}  // namespace standin::dom
