// A message service for tests: records every message and answers from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Messages.h"

class ScriptedMessages : public MessageService {
public:
    ScriptedMessages();            // installs itself
    ~ScriptedMessages() override;  // restores the previous service

    // Queues the answers to the next questions; when the script is empty a message is
    // answered with OK (or the first of its buttons).
    void Answer(int modalResult) { answers_.push_back(modalResult); }
    int Show(const MessageRequest& request) override;

    std::vector<MessageRequest> Shown;
    std::vector<std::string> Texts() const;
    std::string LastText() const { return Shown.empty() ? std::string() : Shown.back().Text; }

private:
    std::deque<int> answers_;
    MessageService* previous_ = nullptr;
};
