// Prints the element tree of a saved parameter file (the form of the
// fixtures' .tree files), so files written under Wine can be compared with
// the stand-in build's.
#include <cstdio>
#include <string>

#include "support/xml_tree.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xml_tree FILE.xml\n");
        return 2;
    }
    const std::string tree = xmlTreeOfFile(argv[1]);
    std::fwrite(tree.data(), 1, tree.size(), stdout);
    return tree.rfind("(unreadable", 0) == 0 ? 1 : 0;
}
