// Actions: commands that menus and tool buttons hold. An action's kind names the standard
// command it stands for; its target (a control that takes such commands) runs it and says
// whether it can run now. A custom action runs its own handler.
#pragma once

#include "platform/Classes.h"

enum class TActionKind { Custom, EditCut, EditCopy, EditPaste, EditDelete, EditSelectAll };

class TBasicAction;

// What a control that takes standard actions offers; each returns whether it handled the
// action (false: not a command of this control).
class TActionTarget {
public:
    virtual ~TActionTarget() = default;
    virtual bool ExecuteAction(TBasicAction& action) = 0;
    // Sets the action's Enabled for the control's present state.
    virtual bool UpdateAction(TBasicAction& action) = 0;
};

class TBasicAction : public TObject {
public:
    explicit TBasicAction(TActionKind kind = TActionKind::Custom) : kind_(kind) {}
    TBasicAction(const TBasicAction&) = delete;
    TBasicAction& operator=(const TBasicAction&) = delete;

    TActionKind Kind() const { return kind_; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    TActionTarget* Target() const { return target_; }
    void SetTarget(TActionTarget* target) { target_ = target; }
    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;

    // Runs the command: OnExecute when set, else the target's handling. False when the action
    // is disabled or nobody ran it.
    bool Execute();
    // Refreshes Enabled: OnUpdate when set, else the target's; false when nobody did.
    bool Update();

private:
    TActionKind kind_;
    bool enabled_ = true;
    TActionTarget* target_ = nullptr;
};
