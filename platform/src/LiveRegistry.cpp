// The live-object registry and process references.
#include "platform/LiveRegistry.h"

#include <unistd.h>

uint32_t TLiveRegistry::Register(void* object) {
    std::lock_guard lock(mutex_);
    // Identities count up and wrap; one still in use is skipped, so a stale identity finds
    // nothing until four billion registrations later.
    while (next_ == 0 || objects_.count(next_)) ++next_;
    const uint32_t identity = next_++;
    objects_[identity] = object;
    return identity;
}

void TLiveRegistry::Unregister(uint32_t identity) {
    std::lock_guard lock(mutex_);
    objects_.erase(identity);
}

void* TLiveRegistry::Find(uint32_t identity) const {
    std::lock_guard lock(mutex_);
    auto it = objects_.find(identity);
    return it == objects_.end() ? nullptr : it->second;
}

size_t TLiveRegistry::Count() const {
    std::lock_guard lock(mutex_);
    return objects_.size();
}

uint32_t CurrentProcessId() {
    return uint32_t(getpid());
}

namespace {

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char(uint8_t(v >> (8 * i)));
}

uint32_t GetU32(std::string_view bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(bytes[at + size_t(i)])) << (8 * i);
    return v;
}

}  // namespace

std::string MakeProcessReference(uint32_t identity) {
    std::string out;
    PutU32(out, CurrentProcessId());
    PutU32(out, identity);
    return out;
}

std::optional<uint32_t> ReadProcessReference(std::string_view bytes) {
    if (bytes.size() != 8 || GetU32(bytes, 0) != CurrentProcessId()) return std::nullopt;
    return GetU32(bytes, 4);
}
