// Drag-and-drop groundwork: the formats links arrive in and the reference-counted component.
#pragma once

#include <atomic>

#include "platform/Classes.h"

// The formats browsers, file managers and the desktop offer for dragged links and files.
inline constexpr const char* kMimeMozUrl = "text/x-moz-url";      // UTF-16 "url\ntitle"
inline constexpr const char* kMimeNetscapeUrl = "_NETSCAPE_URL";  // UTF-8 "url\ntitle"
inline constexpr const char* kMimeUriList = "text/uri-list";      // files and links
inline constexpr const char* kMimeText = "text/plain";
inline constexpr const char* kMimeTextUtf8 = "text/plain;charset=utf-8";

// A component that drag-and-drop machinery may hold references to. It holds one reference
// to itself from creation, so outside AddRef/Release pairs never bring the count to zero;
// its owner frees it.
class TInterfacedComponent : public TComponent {
public:
    explicit TInterfacedComponent(TComponent* owner = nullptr) : TComponent(owner) {}
    int AddRef() { return ++refCount_; }
    int Release() { return --refCount_; }

private:
    std::atomic<int> refCount_{1};
};
