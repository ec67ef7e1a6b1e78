#include "support/expected_export.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "platform/stand-in/control.h"
#include "regscan/RegExport.h"
#include "support/ansi_utf8.h"

namespace {

using Key = standin::RegistryKey;
using Value = standin::RegistryValue;

const char* const kPaths[] = {kSoftwareKey, kDriverKey};

Key scannedKey(const char* path) {
    return standin::registry_read(HKEY_LOCAL_MACHINE, path).value_or(Key{path, {}, {}});
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
    static const char* const names[] = {"?", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD"};
    return names[supported(type) ? type : 0];
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

TExpectedElement& add(TExpectedElement& parent, std::string name,
                      std::vector<std::pair<std::string, std::string>> attributes = {}) {
    parent.children.push_back({std::move(name), std::move(attributes), "", {}, false});
    return parent.children.back();
}

void addKey(TExpectedElement& parent, const Key& key, const std::string& name) {
    TExpectedElement& element = add(parent, "key", {{"name", name}});
    TExpectedElement& values = add(element, "values");
    for (const Value& value : key.values) {
        if (leftOut(value)) continue;
        TExpectedElement& item = add(values, "value", {{"name", value.name}, {"type", typeName(value.type)}});
        if (value.type == REG_DWORD) item.attributes.push_back({"radix", "decimal"});
        item.text = ansiText(value);
    }
    for (const Key& child : key.subkeys) addKey(element, child, child.name);
}

void render(const TExpectedElement& element, std::size_t depth, std::string& out) {
    if (element.dropped) return;
    out += std::string(depth * 2, ' ') + element.name;
    for (const auto& [name, value] : element.attributes) out += " " + name + "=\"" + ansiToUtf8(value) + "\"";
    if (!element.text.empty()) out += " [" + ansiToUtf8(element.text) + "]";
    out += "\n";
    for (const TExpectedElement& child : element.children) render(child, depth + 1, out);
}

}  // namespace

TExpectedOutcome ExpectedOutcome() {
    for (const char* path : kPaths) {
        const Key key = scannedKey(path);
        if (const Value* value = firstUnsupported(key)) {
            char message[96];
            std::snprintf(message, sizeof message, "TRegScanner::TValue, unrecognized registry type: 0x%x",
                          static_cast<unsigned>(value->type));
            return {false, message, false};
        }
    }
    for (const char* path : kPaths) {
        const std::string message =
            firstUncarriedMessage(scannedKey(path), path, std::string("HKEY_LOCAL_MACHINE\\") + path);
        if (!message.empty()) return {false, message};
    }
    return {};
}

void TExpectedElement::RemoveAttribute(const std::string& attribute) {
    std::erase_if(attributes, [&](const auto& a) { return a.first == attribute; });
}

std::string TExpectedElement::Render() const {
    std::string out;
    render(*this, 0, out);
    return out;
}

TExpectedElement ExpectedDocument() {
    TExpectedElement root{"RegParams", {{"xlmns", "http://www.calderine.com/regparams"}}, "", {}, false};
    for (const char* path : kPaths) addKey(add(root, "hive", {{"name", "HKEY_LOCAL_MACHINE"}}), scannedKey(path), path);
    return root;
}
