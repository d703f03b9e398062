// The printer report: the job's opening and closing halves and its page change.
#pragma once

#include "RPCanvas.h"

class TPrintReport : public TCanvasReport {
public:
    explicit TPrintReport(TComponent* owner = nullptr) : TCanvasReport(owner) {}

    bool Start() override;
    void Finish() override;
    void NewPage() override;
};
