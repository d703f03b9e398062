// The folder picker in force; without a desktop every request is cancelled.
#include "platform/FolderPicker.h"

#include <atomic>

namespace {

class CancellingPicker : public FolderPicker {
public:
    bool Pick(const TFolderPickRequest&, std::string& folder) override {
        folder.clear();
        return false;
    }
};

CancellingPicker& Default() {
    static CancellingPicker picker;
    return picker;
}

std::atomic<FolderPicker*> current{nullptr};

}  // namespace

FolderPicker& CurrentFolderPicker() {
    FolderPicker* p = current.load();
    return p ? *p : Default();
}

FolderPicker* SetFolderPicker(FolderPicker* picker) {
    FolderPicker* previous = current.exchange(picker);
    return previous ? previous : &Default();
}

bool PickFolder(const TFolderPickRequest& request, std::string& folder) {
    return CurrentFolderPicker().Pick(request, folder);
}
