// Small owners for the stand-in's COM tests: a reference, a BSTR and a
// string VARIANT, each released in its destructor.
#pragma once

#include <utility>

#include "platform/winapi.h"

namespace standin_test {

template <class T>
class Ref {
public:
    Ref() = default;
    // Handed back by the tests' helpers; declaring the move leaves the copies
    // and assignments deleted.
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~Ref() { reset(); }

    void reset() {
        if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
    }
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    explicit Bstr(const OLECHAR* text) : s_(SysAllocString(text)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(s_); }
    BSTR get() const { return s_; }

private:
    BSTR s_;
};

class StringVariant {
public:
    explicit StringVariant(const OLECHAR* text) {
        VariantInit(&v_);
        v_.vt = VT_BSTR;
        v_.bstrVal = SysAllocString(text);
    }
    StringVariant(const StringVariant&) = delete;
    StringVariant& operator=(const StringVariant&) = delete;
    ~StringVariant() { VariantClear(&v_); }
    const VARIANT& get() const { return v_; }

private:
    VARIANT v_;
};

}  // namespace standin_test
