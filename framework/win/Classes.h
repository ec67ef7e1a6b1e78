// The common base of the framework's objects and the event type bound to
// member functions of a form.
#pragma once

#include <functional>

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

// An event handler; `sender` is the object that raised the event.
typedef std::function<void(TObject* sender)> TNotifyEvent;

// Binds a handler `method` of `target`, e.g. MakeEvent(this, &TForm1::Button1Click).
template <class T>
TNotifyEvent MakeEvent(T* target, void (T::*method)(TObject*)) {
    return [target, method](TObject* sender) { (target->*method)(sender); };
}
