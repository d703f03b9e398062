// The name -> blob registry of compiled-in resources.
#include "platform/Resources.h"

#include <map>
#include <mutex>
#include <string>

#include "platform/SysUtils.h"

namespace {
struct Registry {
    std::mutex lock;
    std::map<std::string, ResourceBlob> blobs;  // keyed by the upper-cased name
};
Registry& TheRegistry() {
    static Registry r;
    return r;
}
}  // namespace

void RegisterResource(std::string_view name, const uint8_t* data, size_t size) {
    auto& r = TheRegistry();
    std::lock_guard g(r.lock);
    r.blobs[UpperCase(name)] = ResourceBlob{data, size};
}

void UnregisterResource(std::string_view name) {
    auto& r = TheRegistry();
    std::lock_guard g(r.lock);
    r.blobs.erase(UpperCase(name));
}

ResourceBlob FindResourceBlob(std::string_view name) {
    auto& r = TheRegistry();
    std::lock_guard g(r.lock);
    auto it = r.blobs.find(UpperCase(name));
    return it == r.blobs.end() ? ResourceBlob{} : it->second;
}
