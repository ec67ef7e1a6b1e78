#include "expected_export.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "input_tree.h"
#include "platform/stand-in/control.h"
#include "support/ansi_utf8.h"

namespace fuzz {

namespace {

using Key = standin::RegistryKey;
using Value = standin::RegistryValue;

const char* const kNamespace = "http://www.calderine.com/regparams";

std::optional<Key> scannedKey(const char* path) {
    return standin::registry_read(HKEY_LOCAL_MACHINE, path);
}

bool leftOut(const Value& value) {
    return value.name == "DetID";  // exact: other letter case is exported
}

bool supported(DWORD type) {
    return type >= REG_SZ && type <= REG_DWORD;
}

// The text the file holds for a value, in ANSI.
std::string ansiText(const Value& value) {
    switch (value.type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            return value.data.substr(0, value.data.find('\0'));
        case REG_BINARY: {
            static const char digits[] = "0123456789abcdef";
            std::string text(value.data.size() * 3, ' ');
            for (std::size_t i = 0; i < value.data.size(); ++i) {
                const auto byte = static_cast<unsigned char>(value.data[i]);
                text[3 * i] = digits[byte >> 4];
                text[3 * i + 1] = digits[byte & 0xF];
            }
            return text;
        }
        default: {
            std::uint32_t number = 0;
            for (std::size_t i = 0; i < value.data.size() && i < 4; ++i)
                number |= static_cast<std::uint32_t>(static_cast<unsigned char>(value.data[i])) << (8 * i);
            return std::to_string(number);
        }
    }
}

const char* typeName(DWORD type) {
    static const char* const names[] = {"", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD"};
    return names[type];
}

// XML 1.0 has no form for control characters other than tab, LF and CR.
const char* firstUncarried(const std::string& text) {
    for (const char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') return &c;
    }
    return nullptr;
}

std::string hexByte(const char* c) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", static_cast<unsigned char>(*c));
    return text;
}

const Value* firstUnsupported(const Key& key) {
    for (const Value& value : key.values)
        if (!leftOut(value) && !supported(value.type)) return &value;
    for (const Key& child : key.subkeys)
        if (const Value* found = firstUnsupported(child)) return found;
    return nullptr;
}

// The writer's message for the first name or text, in document order, that
// XML cannot carry; empty when there is none.
std::string firstUncarriedMessage(const Key& key, const std::string& name, const std::string& path) {
    if (const char* c = firstUncarried(name))
        return "TRegScanner, the name of key " + path + " holds character " + hexByte(c) + ", which XML cannot carry";
    for (const Value& value : key.values) {
        if (leftOut(value)) continue;
        const std::string text = ansiText(value);
        const char* c = firstUncarried(value.name);
        if (c == nullptr) c = firstUncarried(text);
        if (c != nullptr)
            return "TRegScanner, value \"" + value.name + "\" of key " + path + " holds character " + hexByte(c) +
                   ", which XML cannot carry";
    }
    for (const Key& child : key.subkeys) {
        const std::string message = firstUncarriedMessage(child, child.name, path + "\\" + child.name);
        if (!message.empty()) return message;
    }
    return std::string();
}

// ---- reading the file back ---------------------------------------------------------

struct DocFree {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};

std::string show(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
    }
    return "\"" + out + "\"";
}

std::string textOf(xmlNodePtr node) {
    std::string text;
    for (xmlNodePtr child = node->children; child != nullptr; child = child->next)
        if (child->content != nullptr) text += reinterpret_cast<const char*>(child->content);
    return text;
}

bool isElement(xmlNodePtr node, const char* name) {
    return node != nullptr && node->type == XML_ELEMENT_NODE &&
           std::string(reinterpret_cast<const char*>(node->name)) == name;
}

class FileComparison {
public:
    explicit FileComparison(xmlDocPtr doc) : doc_(doc) {}

    std::string document() {
        xmlNodePtr root = xmlDocGetRootElement(doc_);
        if (!isElement(root, "RegParams")) return "the root element is not RegParams";
        if (!attributes(root, {{"xlmns", kNamespace}}, [] { return std::string("RegParams"); })) return difference_;
        std::vector<xmlNodePtr> hives = children(root);
        if (hives.size() != 2) return "RegParams has " + std::to_string(hives.size()) + " children, not 2";
        const char* paths[] = {kSoftwareKey, kDriverKey};
        for (std::size_t i = 0; i < 2; ++i) {
            if (!isElement(hives[i], "hive")) return "a child of RegParams is not a hive";
            if (!attributes(hives[i], {{"name", "HKEY_LOCAL_MACHINE"}}, [] { return std::string("hive"); }))
                return difference_;
            std::vector<xmlNodePtr> keys = children(hives[i]);
            if (keys.size() != 1 || !isElement(keys[0], "key")) return "a hive does not hold one key";
            if (!key(keys[0], *scannedKey(paths[i]), paths[i], paths[i])) return difference_;
        }
        return std::string();
    }

private:
    // Every child node must be an element: the writer adds no text between them.
    std::vector<xmlNodePtr> children(xmlNodePtr node) {
        std::vector<xmlNodePtr> found;
        for (xmlNodePtr child = node->children; child != nullptr; child = child->next) found.push_back(child);
        return found;
    }

    // `where` names the element, only when there is a difference to tell.
    template <class Where>
    bool attributes(xmlNodePtr node, const std::vector<std::pair<std::string, std::string>>& expected,
                    const Where& where) {
        std::size_t i = 0;
        for (xmlAttrPtr attr = node->properties; attr != nullptr; attr = attr->next, ++i) {
            std::unique_ptr<xmlChar, decltype(xmlFree)> value(xmlNodeListGetString(doc_, attr->children, 1), xmlFree);
            const std::string name = reinterpret_cast<const char*>(attr->name);
            const std::string text = value ? reinterpret_cast<const char*>(value.get()) : "";
            if (i >= expected.size() || expected[i].first != name || expected[i].second != text)
                return differ(where() + ": attribute " + std::to_string(i + 1) + " is " + name + "=" + show(text) +
                              (i < expected.size() ? ", expected " + expected[i].first + "=" + show(expected[i].second)
                                                   : ", expected none"));
        }
        if (i != expected.size()) return differ(where() + ": attribute " + expected[i].first + " is missing");
        return true;
    }

    bool key(xmlNodePtr node, const Key& expected, const std::string& name, const std::string& path) {
        if (!attributes(node, {{"name", ansiToUtf8(name)}}, [&] { return "key " + show(path); })) return false;
        std::vector<xmlNodePtr> nodes = children(node);
        if (nodes.size() != 1 + expected.subkeys.size() || !isElement(nodes[0], "values"))
            return differ("key " + show(path) + " has " + std::to_string(nodes.size()) +
                          " children, expected values and " + std::to_string(expected.subkeys.size()) + " keys");
        if (!values(nodes[0], expected, path)) return false;
        std::size_t i = 1;
        for (const Key& child : expected.subkeys) {
            if (!isElement(nodes[i], "key"))
                return differ("key " + show(path) + ": child " + std::to_string(i) + " is not a key");
            if (!key(nodes[i], child, child.name, path + "\\" + child.name)) return false;
            ++i;
        }
        return true;
    }

    bool values(xmlNodePtr node, const Key& expected, const std::string& path) {
        if (node->properties != nullptr) return differ("values of " + show(path) + " has attributes");
        std::vector<xmlNodePtr> items = children(node);
        std::size_t i = 0;
        for (const Value& value : expected.values) {
            if (leftOut(value)) continue;
            const auto where = [&] { return "value " + show(value.name) + " of " + show(path); };
            if (i >= items.size() || !isElement(items[i], "value")) return differ(where() + " is missing");
            std::vector<std::pair<std::string, std::string>> attrs = {{"name", ansiToUtf8(value.name)},
                                                                      {"type", typeName(value.type)}};
            if (value.type == REG_DWORD) attrs.push_back({"radix", "decimal"});
            if (!attributes(items[i], attrs, where)) return false;
            for (xmlNodePtr child = items[i]->children; child != nullptr; child = child->next)
                if (child->type != XML_TEXT_NODE) return differ(where() + " holds something besides text");
            const std::string text = textOf(items[i]), wanted = ansiToUtf8(ansiText(value));
            if (text != wanted) return differ(where() + ": text " + show(text) + ", expected " + show(wanted));
            ++i;
        }
        if (i != items.size())
            return differ("values of " + show(path) + " holds " + std::to_string(items.size()) + " values, expected " +
                          std::to_string(i));
        return true;
    }

    bool differ(std::string what) {
        difference_ = std::move(what);
        return false;
    }

    xmlDocPtr doc_;
    std::string difference_;
};

}  // namespace

ExpectedExport expectedExport() {
    const char* paths[] = {kSoftwareKey, kDriverKey};
    for (const char* path : paths) {
        const std::optional<Key> scanned = scannedKey(path);
        if (const Value* value = firstUnsupported(*scanned)) {
            char message[96];
            std::snprintf(message, sizeof message, "TRegScanner::TValue, unrecognized registry type: 0x%x",
                          static_cast<unsigned>(value->type));
            return {false, message, false};
        }
    }
    for (const char* path : paths) {
        const std::string message =
            firstUncarriedMessage(*scannedKey(path), path, std::string("HKEY_LOCAL_MACHINE\\") + path);
        if (!message.empty()) return {false, message};
    }
    return {};
}

std::string differencesFromRegistry(const std::string& path) {
    // Up to 512 levels of keys: deeper than libxml2 reads by default.
    std::unique_ptr<xmlDoc, DocFree> doc(
        xmlReadFile(path.c_str(), nullptr, XML_PARSE_HUGE | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (doc == nullptr) return "the file does not parse";
    return FileComparison(doc.get()).document();
}

}  // namespace fuzz
