// The base of the shell components: it knows the shell's version.
#pragma once

#include "StBase.h"

// Shell features that once needed a newer shell are always there: the version is fixed at
// 6.0, so nothing is gated by it in practice.
class TStShellComponent : public TStComponent {
public:
    static constexpr double CurrentShellVersion = 6.0;

    explicit TStShellComponent(TComponent* owner = nullptr) : TStComponent(owner) {}

    double ShellVersion() const { return shellVersion_; }

protected:
    double shellVersion_ = CurrentShellVersion;
};
