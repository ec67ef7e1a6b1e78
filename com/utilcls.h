// COM support: interface holders, the HRESULT check and the assertion with
// their question box and exception, creation with COM start-up, and the
// conversions of narrow text into what COM methods take.
#pragma once

#include "framework/AnsiString.h"
#include "framework/Exception.h"
#include "framework/WideString.h"
#include "platform/winapi.h"

// ---- Exceptions ---------------------------------------------------------

class EOleError : public Exception {
public:
    using Exception::Exception;
};

class EOleSysError : public EOleError {
public:
    EOleSysError(AnsiString message, HRESULT errorCode, int helpContext)
        : EOleError(std::move(message), helpContext), errorCode_(errorCode) {}
    HRESULT ErrorCode() const { return errorCode_; }

private:
    HRESULT errorCode_;
};

class EOleException : public EOleSysError {
public:
    EOleException(AnsiString message, HRESULT errorCode, AnsiString source, AnsiString helpFile, int helpContext)
        : EOleSysError(std::move(message), errorCode, helpContext),
          source_(std::move(source)),
          helpFile_(std::move(helpFile)) {}
    const AnsiString& Source() const { return source_; }
    const AnsiString& HelpFile() const { return helpFile_; }

private:
    AnsiString source_;
    AnsiString helpFile_;
};

// ---- Checks -------------------------------------------------------------

// Reports a failed HRESULT (negative) in the question box; returns `hr`
// unchanged unless the user abandons, which throws EOleException.
HRESULT HrCheck(HRESULT hr, const char* expression, const char* file, int line);
// Reports a failed HRESULT (negative) as HrCheck does, then ends the current
// operation whatever the answer: for a step that nothing can go on after.
[[noreturn]] void HrAbandon(HRESULT hr, const char* expression, const char* file, int line);
// Reports a broken precondition; returns the answer (IDNO, IDCANCEL or 0)
// unless the user abandons, which throws EOleException.
int AssertFailed(const char* condition, const char* file, int line);
// The Yes/No/Cancel question box of a failed check.
int CheckPrompt(const char* caption, const char* report);
[[noreturn]] void CheckThrow(const char* report, HRESULT code, const char* file);
// Ends the current operation as the answer Yes to an assertion does.
[[noreturn]] void AssertAbandon(const char* condition, const char* file, int line);

#define HRCHECK(expr) HrCheck((expr), #expr, __FILE__, __LINE__)
// The same checks reporting `text` instead of the source text: for sites
// whose report is fixed, whatever the code or its formatting looks like.
#define HRCHECK_TEXT(expr, text) HrCheck((expr), text, __FILE__, __LINE__)
#define HRABANDON_TEXT(expr, text) HrAbandon((expr), text, __FILE__, __LINE__)
#ifdef _ASSERTE
#undef _ASSERTE
#endif
#define _ASSERTE(cond) ((cond) ? 0 : AssertFailed(#cond, __FILE__, __LINE__))
#define _ASSERTE_TEXT(cond, text) ((cond) ? 0 : AssertFailed(text, __FILE__, __LINE__))

// ---- COM start-up and creation --------------------------------------------

// COM for this thread, released when this goes only if it came up.
class TInitOle {
public:
    TInitOle();
    TInitOle(const TInitOle&) = delete;
    TInitOle& operator=(const TInitOle&) = delete;
    ~TInitOle();

private:
    bool initialized_;
};

// Brings COM up for this thread on the first call in the process (one
// TInitOle, destroyed at process end).
void EnsureOleInit();

struct CoClassCreator {
    static HRESULT CoCreateInstance(REFCLSID clsid, REFIID iid, LPVOID* intf);
};

// ---- Interface holders --------------------------------------------------

// The interface identifier a holder asks for when it converts from another
// holder; specialised for each interface the program holds.
template <class T>
struct InterfaceId;

template <class T>
class TComInterface {
public:
    TComInterface() = default;
    // Takes ownership of a reference the caller already holds.
    explicit TComInterface(T* intf, bool addRef = false) : intf_(intf) {
        if (intf_ && addRef) intf_->AddRef();
    }
    TComInterface(const TComInterface& other) : intf_(other.intf_) {
        if (intf_) intf_->AddRef();
    }
    // Built from a holder of another interface: asks the source for ours.
    template <class U>
    TComInterface(const TComInterface<U>& src) {
        if (!src) return;
        IUnknown* source = src.get();
        Convert(source);
    }
    ~TComInterface() { Reset(); }

    TComInterface& operator=(const TComInterface& other) {
        T* incoming = other.intf_;
        if (incoming) incoming->AddRef();
        T* old = intf_;
        if (old) old->Release();
        intf_ = incoming;
        return *this;
    }

    // A method call through an empty holder is reported and, whatever the
    // answer, never made: there is nothing to call.
    T* operator->() const {
        T* intf = intf_;
        if (intf == 0) {
            // One site: the report and the abandon name the same line.
            const int line = __LINE__;
            AssertFailed("intf != 0", __FILE__, line);
            AssertAbandon("intf != 0", __FILE__, line);
        }
        return intf;
    }

    // The address handed to a method as an out-parameter; the holder owns
    // whatever the method writes there. A holder in use is released first so
    // no reference is lost.
    T** operator&() {
        if (intf_ != 0) {
            _ASSERTE_TEXT(intf_ == 0, "intf==0");
            Reset();
        }
        return &intf_;
    }

    operator T*() const { return intf_; }
    explicit operator bool() const { return intf_ != nullptr; }
    T* get() const { return intf_; }

    void Reset() {
        T* old = intf_;
        intf_ = nullptr;
        if (old) old->Release();
    }

    static const IID& GetIID() { return InterfaceId<T>::value(); }

private:
    void Convert(IUnknown* src) {
        void* intf = nullptr;
        HRCHECK(src->QueryInterface(GetIID(), (LPVOID*)(&intf)));
        intf_ = static_cast<T*>(intf);
    }

    T* intf_ = nullptr;
};

// ---- Text for COM -------------------------------------------------------

// A new BSTR holding `text` (read up to its NUL) converted with the ANSI
// code page; the caller owns it. `size` receives what the conversion
// reported (characters including the terminating NUL, 0 on failure).
BSTR AnsiToWide(const char* text, int* size = nullptr);

// A VT_BSTR variant that owns its string; a method taking the variant by
// value gets a bitwise copy and the string is freed when this goes.
class TVarShallow {
public:
    explicit TVarShallow(const char* text);
    explicit TVarShallow(const AnsiString& text);
    explicit TVarShallow(BSTR text);
    TVarShallow(const TVarShallow&) = delete;
    TVarShallow& operator=(const TVarShallow&) = delete;
    ~TVarShallow();

    operator VARIANT() const { return var_; }

private:
    VARIANT var_;
};
