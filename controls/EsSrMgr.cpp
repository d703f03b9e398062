// The calendar library's two message-table readers, created on first use.
#include "EsSrMgr.h"

void RegisterControlsResources();  // generated with the message tables

namespace {

void EnsureResourcesRegistered() {
    static const bool registered = [] {
        RegisterControlsResources();
        return true;
    }();
    (void)registered;
}

}  // namespace

TEsStringResource::TEsStringResource(std::string_view resourceName)
    : TStStringResource((EnsureResourcesRegistered(), resourceName), &EsErrorTextResource()) {}

const TStStringResource& EsErrorTextResource() {
    EnsureResourcesRegistered();
    static const TStStringResource reader = [] {
        try {
            return TStStringResource("ESSRMGR_STRINGS");
        } catch (const EStringResourceError&) {
            return TStStringResource("");
        }
    }();
    return reader;
}

const TEsStringResource& EsMessageResource() {
    static const TEsStringResource reader("CALENDAR_STRINGS_ENGLISH");
    return reader;
}
