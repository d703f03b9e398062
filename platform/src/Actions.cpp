#include "platform/Actions.h"

bool TBasicAction::Execute() {
    if (!enabled_) return false;
    if (OnExecute) {
        OnExecute(this);
        return true;
    }
    return target_ && target_->ExecuteAction(*this);
}

bool TBasicAction::Update() {
    if (OnUpdate) {
        OnUpdate(this);
        return true;
    }
    return target_ && target_->UpdateAction(*this);
}
