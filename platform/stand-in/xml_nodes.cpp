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

}  // namespace standin::dom
