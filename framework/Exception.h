// The framework's exception family: one message text. Everything the program
// reports to the user travels as an Exception or a class derived from it.
#pragma once

#include <exception>

#include "AnsiString.h"

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message, int helpContext = 0)
        : message_(std::move(message)), helpContext_(helpContext) {}
    const AnsiString& Message() const { return message_; }
    int HelpContext() const { return helpContext_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    AnsiString message_;
    int helpContext_;
};
