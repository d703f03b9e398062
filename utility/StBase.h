// The utility library's exception family, raising errors by message id, the component base
// and the integer text parser the number routines build on.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include <platform/Classes.h>
#include <platform/Exceptions.h>
#include <platform/SysUtils.h>

#include "StConst.h"

// A library error: the message is the library text of ErrorCode.
class EStException : public Exception {
public:
    EStException(std::string message, int32_t errorCode)
        : Exception(std::move(message)), ErrorCode(errorCode) {}

    // The message is the library text of `code` (CreateFromId) or that text formatted with
    // `args` (CreateFromIdFmt). E is EStException or one of its subclasses.
    template <class E = EStException>
    static E CreateFromId(int32_t code);
    template <class E = EStException>
    static E CreateFromIdFmt(int32_t code, std::initializer_list<FmtArg> args);

    int32_t ErrorCode = 0;
};

#define LORVANE_ST_EXCEPTION(Name)        \
    class Name : public EStException {    \
    public:                               \
        using EStException::EStException; \
    }

LORVANE_ST_EXCEPTION(EStSortError);
LORVANE_ST_EXCEPTION(EStRegIniError);
LORVANE_ST_EXCEPTION(EStVersionInfoError);
LORVANE_ST_EXCEPTION(EStShellError);
LORVANE_ST_EXCEPTION(EStBufStreamError);

#undef LORVANE_ST_EXCEPTION

template <class E>
E EStException::CreateFromId(int32_t code) {
    static_assert(std::is_base_of_v<EStException, E>);
    return E(LibraryText(code), code);
}

template <class E>
E EStException::CreateFromIdFmt(int32_t code, std::initializer_list<FmtArg> args) {
    static_assert(std::is_base_of_v<EStException, E>);
    return E(FormatMsg(LibraryText(code), args), code);
}

// Raises an E whose message is the library text of `code`:
// RaiseLibraryError<EStBufStreamError>(271).
template <class E>
[[noreturn]] void RaiseLibraryError(int32_t code) {
    throw EStException::CreateFromId<E>(code);
}

template <class E>
[[noreturn]] void RaiseLibraryErrorFmt(int32_t code, std::initializer_list<FmtArg> args) {
    throw EStException::CreateFromIdFmt<E>(code, args);
}

// Base of the library's components. Version always reads "3.03"; assigning it does nothing,
// so stored descriptions that hold it load without effect.
class TStComponent : public TComponent {
public:
    using TComponent::TComponent;
    std::string Version() const { return "3.03"; }
    void SetVersion(std::string_view) {}
};

// Integer text: blanks around it, decimal with a sign, or hexadecimal as "$1F", "0x1F" or
// "1Fh". Value is 0 on failure. ErrorPos is 0 on success, -1 for empty or blank text, else
// the 1-based position of the first bad character in the text as given.
void ParseLongText(std::string_view s, int32_t& value, int32_t& errorPos);
