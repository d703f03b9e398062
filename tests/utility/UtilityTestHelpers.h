// Helpers of the utility tests: the message or code of the error an action raises.
#pragma once

#include <string>

#include "StBase.h"

template <class E = Exception, class F>
std::string MessageOf(F&& action) {
    try {
        action();
    } catch (const E& e) {
        return e.Message;
    }
    return "(no error)";
}

// The ErrorCode and message of a library error, as "271 text"; "(no error)" without one.
template <class E = EStException, class F>
std::string LibraryErrorOf(F&& action) {
    try {
        action();
    } catch (const E& e) {
        return std::to_string(e.ErrorCode) + " " + e.Message;
    }
    return "(no error)";
}
