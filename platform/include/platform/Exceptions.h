// The exception base of the whole system and the runtime's stock exception classes.
#pragma once

#include <exception>
#include <string>

// Every error the libraries raise carries a message and a help-context number.
class Exception : public std::exception {
public:
    explicit Exception(std::string message, int helpContext = 0)
        : Message(std::move(message)), HelpContext(helpContext) {}
    ~Exception() override = default;
    const char* what() const noexcept override { return Message.c_str(); }

    std::string Message;
    int HelpContext = 0;
};

#define LORVANE_EXCEPTION(Name, Base) \
    class Name : public Base {        \
    public:                           \
        using Base::Base;             \
    }

LORVANE_EXCEPTION(EConvertError, Exception);  // text that is not a number or date
LORVANE_EXCEPTION(ERangeError, Exception);
LORVANE_EXCEPTION(EListError, Exception);  // a list index out of bounds, a duplicate
LORVANE_EXCEPTION(EStreamError, Exception);
LORVANE_EXCEPTION(EReadError, EStreamError);
LORVANE_EXCEPTION(EWriteError, EStreamError);
LORVANE_EXCEPTION(EFOpenError, EStreamError);
LORVANE_EXCEPTION(EFCreateError, EStreamError);
LORVANE_EXCEPTION(EInOutError, Exception);  // file operations of the program
LORVANE_EXCEPTION(EInvalidOperation, Exception);

// The silent exception: ends an operation without any message.
LORVANE_EXCEPTION(EAbort, Exception);

[[noreturn]] void Abort();
