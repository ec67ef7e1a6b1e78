#include "input_tree.h"

#include <string>
#include <vector>

#include "platform/stand-in/control.h"

namespace fuzz {

namespace {

// The input as a stream; past its end every byte reads 0.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return position_ >= size_; }
    std::uint8_t next() { return position_ < size_ ? data_[position_++] : 0; }
    std::uint16_t next16() {
        const std::uint16_t low = next();
        return static_cast<std::uint16_t>(low | next() << 8);
    }
    std::uint32_t next32() {
        const std::uint32_t low = next16();
        return low | static_cast<std::uint32_t>(next16()) << 16;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// A key name holds neither NUL nor the path separator; those two bytes are
// moved to "@" and 0x1C, so every other byte value occurs as itself.
std::string keyName(Bytes& in) {
    std::string name(1 + in.next() % 40, '\0');
    for (char& c : name) {
        std::uint8_t byte = in.next();
        if (byte == 0 || byte == '\\') byte ^= 0x40;
        c = static_cast<char>(byte);
    }
    return name;
}

// A value name holds no NUL (the ANSI calls end it there); it may be empty,
// the key's default value.
std::string valueName(Bytes& in) {
    std::string name(in.next() % 40, '\0');
    for (char& c : name) {
        const std::uint8_t byte = in.next();
        c = static_cast<char>(byte == 0 ? '@' : byte);
    }
    return name;
}

// Mostly the four types the export holds, also every other code.
std::uint32_t valueType(Bytes& in) {
    const std::uint8_t pick = in.next();
    if (pick < 176) return 1 + pick % 4;
    if (pick < 248) return pick % 13;
    return in.next32();
}

std::string shortData(Bytes& in) {
    std::string data(in.next(), '\0');
    for (char& c : data) c = static_cast<char>(in.next());
    return data;
}

// Up to 64 KiB from a short repeated pattern.
std::string longData(Bytes& in) {
    std::size_t length = in.next16();
    length += in.next() % 2u;
    std::string pattern(1 + in.next() % 8, '\0');
    for (char& c : pattern) c = static_cast<char>(in.next());
    std::string data(length, '\0');
    for (std::size_t i = 0; i < length; ++i) data[i] = pattern[i % pattern.size()];
    return data;
}

// Same letters in the other case (Windows-1252), so the registry sees the
// same name.
std::string otherCase(std::string name) {
    for (char& c : name) {
        const auto byte = static_cast<std::uint8_t>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7))
            c = static_cast<char>(byte - 0x20);
        else if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7))
            c = static_cast<char>(byte + 0x20);
    }
    return name;
}

class TreeBuilder {
public:
    TreeBuilder() {
        standin::registry_create_key(HKEY_LOCAL_MACHINE, kSoftwareKey);
        standin::registry_create_key(HKEY_LOCAL_MACHINE, kDriverKey);
    }

    void run(Bytes& in) {
        while (!in.done()) {
            switch (in.next() % 8) {
                case 0:  // one subkey, entered
                    enter(keyName(in));
                    break;
                case 1:  // back up one level
                    if (!path_.empty()) path_.pop_back();
                    break;
                case 2:
                    setValue(valueName(in), in, false);
                    break;
                case 3: {  // a chain of subkeys, entered
                    const unsigned length = 1 + in.next() * 2u;
                    for (unsigned i = 0; i < length && path_.size() < kMaxDepth; ++i)
                        path_.push_back("n" + std::to_string(path_.size()));
                    standin::registry_create_key(HKEY_LOCAL_MACHINE, fullPath());
                    break;
                }
                case 4:  // the other scanned key
                    driver_ = !driver_;
                    path_.clear();
                    break;
                case 5:  // left out by the scan, whatever its type
                    setValue("DetID", in, false);
                    break;
                case 6:
                    setValue(valueName(in), in, true);
                    break;
                case 7:  // the last value again under its name in the other case
                    setValue(otherCase(lastValue_), in, false);
                    break;
            }
        }
    }

private:
    std::string fullPath() const {
        std::string path = driver_ ? kDriverKey : kSoftwareKey;
        for (const std::string& name : path_) path += "\\" + name;
        return path;
    }
    void enter(const std::string& name) {
        if (path_.size() >= kMaxDepth) return;
        path_.push_back(name);
        standin::registry_create_key(HKEY_LOCAL_MACHINE, fullPath());
    }
    // Type and data follow the name in the input.
    void setValue(const std::string& name, Bytes& in, bool large) {
        const std::uint32_t type = valueType(in);
        const std::string data = large ? longData(in) : shortData(in);
        standin::registry_set_value(HKEY_LOCAL_MACHINE, fullPath(), name, type, data);
        lastValue_ = name;
    }

    std::vector<std::string> path_;
    bool driver_ = false;
    std::string lastValue_;
};

}  // namespace

void buildRegistry(const std::uint8_t* data, std::size_t size) {
    standin::registry_reset();
    Bytes in(data, size);
    TreeBuilder builder;
    builder.run(in);
}

}  // namespace fuzz
