// Live objects by 32-bit identity, and references to them that are meaningful inside this
// process only (the clipboard and drags carry them between windows of the program).
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// Hands out identities to registered objects. An identity is never 0, is not given to another
// object while registered, and resolves only while its object is registered; a forged or stale
// identity finds nothing.
class TLiveRegistry {
public:
    uint32_t Register(void* object);
    void Unregister(uint32_t identity);
    void* Find(uint32_t identity) const;
    size_t Count() const;

private:
    mutable std::mutex mutex_;
    std::unordered_map<uint32_t, void*> objects_;
    uint32_t next_ = 1;
};

uint32_t CurrentProcessId();
// 8 bytes: the process id and the identity, both little-endian.
std::string MakeProcessReference(uint32_t identity);
// The identity in a reference this process made; nullopt for another process's reference or
// bytes of another size.
std::optional<uint32_t> ReadProcessReference(std::string_view bytes);
