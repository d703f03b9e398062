// The library's two message-table readers, created on first use in dependency order.
#include "StConst.h"

#include "StBase.h"
#include "StSrMgr.h"

void RegisterUtilityResources();  // generated with the message tables

namespace {

void EnsureResourcesRegistered() {
    static const bool registered = [] {
        RegisterUtilityResources();
        return true;
    }();
    (void)registered;
}

}  // namespace

const TStStringResource& ErrorTextResource() {
    EnsureResourcesRegistered();
    // Without its own table a reader still reports, through built-in texts; so a broken
    // error table leaves this reader closed rather than failing every later lookup.
    static const TStStringResource reader = [] {
        try {
            return TStStringResource("STSRMGR_STRINGS");
        } catch (const EStringResourceError&) {
            return TStStringResource("");
        }
    }();
    return reader;
}

const TStStringResource& LibraryTextResource() {
    // The error-text reader must exist first: opening this one may need its texts.
    const TStStringResource& errors = ErrorTextResource();
    static const TStStringResource reader("UTILITY_STRINGS_ENGLISH", &errors);
    return reader;
}

std::string LibraryText(int32_t id) {
    return LibraryTextResource().GetString(id);
}
