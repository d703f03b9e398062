// The one message service: every message and question of the system goes through it, so the
// program shows message boxes and tests answer with a script.
#pragma once

#include <string>

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
};
using TMsgDlgButtons = unsigned;
inline constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
inline constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
inline constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

// Texts use "\r" (and "\n") as line breaks.
struct MessageRequest {
    TMsgDlgType Type = TMsgDlgType::mtInformation;
    std::string Text;
    TMsgDlgButtons Buttons = mbOK;
    int HelpContext = 0;
    std::string Caption;  // empty: the program's title
};

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows the message and returns the modal result of the button chosen.
    virtual int Show(const MessageRequest& request) = 0;
};

// The service in force. Until the program installs its own, messages go to standard error
// and questions are answered with their first negative button (No, Cancel) or OK.
MessageService& Messages();
// Installs a service (not owned) and returns the previous one; nullptr restores the default.
MessageService* SetMessageService(MessageService* service);

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
               int helpContext = 0);
void ShowMessage(const std::string& text);
