// A message service for tests: records every message and answers from a script.
#include "ScriptedMessages.h"

ScriptedMessages::ScriptedMessages() {
    previous_ = SetMessageService(this);
}

ScriptedMessages::~ScriptedMessages() {
    SetMessageService(previous_);
}

int ScriptedMessages::Show(const MessageRequest& request) {
    Shown.push_back(request);
    if (!answers_.empty()) {
        int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    static const std::pair<unsigned, int> order[] = {
        {mbOK, mrOk},       {mbYes, mrYes},     {mbNo, mrNo},        {mbCancel, mrCancel},
        {mbAbort, mrAbort}, {mbRetry, mrRetry}, {mbIgnore, mrIgnore}};
    for (auto [button, result] : order)
        if (request.Buttons & button) return result;
    return mrOk;
}

std::vector<std::string> ScriptedMessages::Texts() const {
    std::vector<std::string> out;
    for (const auto& m : Shown) out.push_back(m.Text);
    return out;
}
