// The in-process drag: the registry of controls that take drags and the one running drag.
#include "platform/FormDrag.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

struct Session {
    TCustomControl* source = nullptr;
    TObject* object = nullptr;
    TFormDragEndEvent onEnd;
    TCustomControl* target = nullptr;
    bool accepted = false;
};

std::vector<std::pair<TCustomControl*, TFormDragTarget*>>& Targets() {
    static std::vector<std::pair<TCustomControl*, TFormDragTarget*>> targets;
    return targets;
}

std::optional<Session>& Running() {
    static std::optional<Session> session;
    return session;
}

TFormDragTarget* TargetOf(const TCustomControl* control) {
    for (const auto& entry : Targets())
        if (entry.first == control) return entry.second;
    return nullptr;
}

// Tells the current target that the drag leaves it.
void Leave(Session& s, TPoint screen) {
    TCustomControl* control = s.target;
    s.target = nullptr;
    s.accepted = false;
    if (TFormDragTarget* target = TargetOf(control)) {
        bool accept = false;
        target->FormDragOver(s.object, control->ScreenToClient(screen), dsDragLeave, accept);
    }
}

void End(const TFormDragResult& result) {
    Session s = std::move(*Running());
    Running().reset();
    FormDragEnded(s.source);
    if (s.onEnd) s.onEnd(result);
}

}  // namespace

void RegisterFormDragTarget(TCustomControl& control, TFormDragTarget& target) {
    auto& targets = Targets();
    for (auto& entry : targets)
        if (entry.first == &control) {
            entry.second = &target;
            return;
        }
    targets.emplace_back(&control, &target);
}

void UnregisterFormDragTarget(TCustomControl& control) {
    auto& targets = Targets();
    targets.erase(std::remove_if(targets.begin(), targets.end(),
                                 [&](const auto& entry) { return entry.first == &control; }),
                  targets.end());
    std::optional<Session>& s = Running();
    if (!s) return;
    if (s->target == &control) {
        s->target = nullptr;
        s->accepted = false;
    }
    if (s->source == &control) {
        // The source goes away: its drag ends without calling back into it.
        Session gone = std::move(*s);
        s.reset();
        if (TFormDragTarget* target = TargetOf(gone.target)) {
            bool accept = false;
            target->FormDragOver(gone.object, {}, dsDragLeave, accept);
        }
        FormDragEnded(nullptr);
    }
}

bool IsFormDragTarget(const TCustomControl* control) {
    return control && TargetOf(control) != nullptr;
}

std::vector<TCustomControl*> FormDragTargets() {
    std::vector<TCustomControl*> out;
    for (const auto& entry : Targets()) out.push_back(entry.first);
    return out;
}

bool BeginFormDrag(TCustomControl& source, TObject* dragObject, TFormDragEndEvent onEnd) {
    if (Running()) return false;
    Session s;
    s.source = &source;
    s.object = dragObject;
    s.onEnd = std::move(onEnd);
    Running() = std::move(s);
    FormDragStarted(source);
    FormDragCursor(false);
    return true;
}

bool FormDragActive() {
    return Running().has_value();
}

TCustomControl* FormDragSource() {
    return Running() ? Running()->source : nullptr;
}

TCustomControl* FormDragTarget() {
    return Running() ? Running()->target : nullptr;
}

bool FormDragAccepted() {
    return Running() && Running()->accepted;
}

void FormDragMouseMove(TPoint screen) {
    if (!Running()) return;
    TCustomControl* control = FormDragControlAt(screen);
    if (!Running()) return;
    if (control != Running()->target) {
        Leave(*Running(), screen);
        if (!Running()) return;
        Running()->target = control;
        if (TFormDragTarget* target = TargetOf(control)) {
            bool accept = false;
            target->FormDragOver(Running() ? Running()->object : nullptr,
                                 control->ScreenToClient(screen), dsDragEnter, accept);
            if (Running() && Running()->target == control) Running()->accepted = accept;
        }
    } else if (TFormDragTarget* target = TargetOf(control)) {
        bool accept = false;
        target->FormDragOver(Running()->object, control->ScreenToClient(screen), dsDragMove,
                             accept);
        if (Running() && Running()->target == control) Running()->accepted = accept;
    }
    if (Running()) FormDragCursor(Running()->accepted);
}

void FormDragMouseUp(TPoint screen) {
    if (!Running()) return;
    FormDragMouseMove(screen);
    if (!Running()) return;
    Session& s = *Running();
    TFormDragResult result;
    TFormDragTarget* target = TargetOf(s.target);
    if (target && s.accepted) {
        result.Target = s.target;
        result.Pos = s.target->ScreenToClient(screen);
        result.Dropped = true;
        target->FormDragDrop(s.object, result.Pos);
    } else {
        Leave(s, screen);
    }
    if (Running()) End(result);
}

void CancelFormDrag() {
    if (!Running()) return;
    Session& s = *Running();
    if (s.target) Leave(s, s.target->ClientToScreen(s.target->MousePosition()));
    if (Running()) End({});
}
