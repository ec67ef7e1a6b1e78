// libxml2 nodes between the document's tree and the COM objects over them. A
// node that is not in the tree (created, not yet appended) belongs to nobody
// in libxml2: it is freed here when no COM object is left anywhere in its
// detached subtree.
#pragma once

#include <libxml/tree.h>

#include <memory>

namespace standin::dom {

struct NodeFree {
    void operator()(xmlNodePtr node) const { xmlFreeNode(node); }
};
using NodeOwner = std::unique_ptr<xmlNode, NodeFree>;

xmlNodePtr top_of(xmlNodePtr node);
// Frees a detached subtree that no COM object can reach any more.
void free_if_unreachable(xmlNodePtr top);

}  // namespace standin::dom
