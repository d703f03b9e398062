// The message service in force and its headless default.
#include "platform/Messages.h"

#include <cstdio>
#include <utility>

namespace {
class StderrMessages : public MessageService {
public:
    int Show(const MessageRequest& r) override {
        std::string text = r.Text;
        for (auto& c : text)
            if (c == '\r') c = '\n';
        std::fprintf(stderr, "%s\n", text.c_str());
        // Never an answer whose button was not offered: the caller acts on what it gets.
        static constexpr std::pair<unsigned, int> kOrder[] = {
            {mbNo, mrNo},           {mbCancel, mrCancel}, {mbAbort, mrAbort},
            {mbNoToAll, mrNoToAll}, {mbOK, mrOk},         {mbIgnore, mrIgnore},
            {mbRetry, mrRetry},     {mbYes, mrYes},       {mbYesToAll, mrYesToAll},
            {mbAll, mrAll}};
        for (const auto& [button, result] : kOrder)
            if (r.Buttons & button) return result;
        return mrCancel;
    }
};

StderrMessages& Fallback() {
    static StderrMessages s;
    return s;
}
MessageService* g_service = nullptr;
}  // namespace

MessageService& Messages() {
    return g_service ? *g_service : Fallback();
}

MessageService* SetMessageService(MessageService* service) {
    MessageService* old = g_service;
    g_service = service;
    return old;
}

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
    MessageRequest r;
    r.Type = type;
    r.Text = text;
    r.Buttons = buttons;
    r.HelpContext = helpContext;
    return Messages().Show(r);
}

void ShowMessage(const std::string& text) {
    MessageDlg(text, TMsgDlgType::mtCustom, mbOK);
}
