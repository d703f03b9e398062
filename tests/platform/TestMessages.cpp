// The message service: the default answers questions without a display.
#include <gtest/gtest.h>

#include "platform/Messages.h"

namespace {
// Puts the built-in service in force for one test and restores whatever was there.
class DefaultService {
public:
    DefaultService() : previous_(SetMessageService(nullptr)) {}
    ~DefaultService() { SetMessageService(previous_); }
    DefaultService(const DefaultService&) = delete;
    DefaultService& operator=(const DefaultService&) = delete;

private:
    MessageService* previous_;
};
}  // namespace

TEST(Messages, TheDefaultAnswersWithAnOfferedButtonNegativeFirst) {
    DefaultService quiet;
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageDlg("Save?", TMsgDlgType::mtConfirmation, mbYesNoCancel), mrNo);
    EXPECT_EQ(MessageDlg("Go on?", TMsgDlgType::mtConfirmation, mbOKCancel), mrCancel);
    EXPECT_EQ(MessageDlg("Failed", TMsgDlgType::mtError, mbAbort | mbRetry | mbIgnore), mrAbort);
    EXPECT_EQ(MessageDlg("Retry?", TMsgDlgType::mtWarning, mbRetry | mbIgnore), mrIgnore);
    EXPECT_EQ(MessageDlg("Only yes", TMsgDlgType::mtConfirmation, mbYes), mrYes);
    EXPECT_EQ(MessageDlg("Done", TMsgDlgType::mtInformation, mbOK), mrOk);
    ShowMessage("line one\rline two");
    std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("line one\nline two\n"), std::string::npos);
}
