// The application object: the message-box service and the exception boundary.
#include "platform/qt/Application.h"

#include <QMessageBox>
#include <QPushButton>
#include <memory>

#include "platform/Clipboard.h"
#include "platform/Codec.h"
#include "platform/Exceptions.h"
#include "platform/Messages.h"
#include "platform/Printer.h"

namespace {

std::string& Title() {
    static std::string title = "Lorvane";
    return title;
}

class MessageBoxService : public MessageService {
public:
    int Show(const MessageRequest& r) override {
        QMessageBox box(QApplication::activeWindow());
        switch (r.Type) {
            case TMsgDlgType::mtWarning:
                box.setIcon(QMessageBox::Warning);
                break;
            case TMsgDlgType::mtError:
                box.setIcon(QMessageBox::Critical);
                break;
            case TMsgDlgType::mtInformation:
                box.setIcon(QMessageBox::Information);
                break;
            case TMsgDlgType::mtConfirmation:
                box.setIcon(QMessageBox::Question);
                break;
            case TMsgDlgType::mtCustom:
                box.setIcon(QMessageBox::NoIcon);
                break;
        }
        std::string text = r.Text;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r')
                text[i] = (i + 1 < text.size() && text[i + 1] == '\n') ? ' ' : '\n';
        }
        box.setText(ToQString(text));
        box.setWindowTitle(ToQString(r.Caption.empty() ? Title() : r.Caption));
        static const struct {
            unsigned button;
            QMessageBox::StandardButton standard;
            int result;
        } map[] = {
            {mbYes, QMessageBox::Yes, mrYes},
            {mbNo, QMessageBox::No, mrNo},
            {mbOK, QMessageBox::Ok, mrOk},
            {mbCancel, QMessageBox::Cancel, mrCancel},
            {mbAbort, QMessageBox::Abort, mrAbort},
            {mbRetry, QMessageBox::Retry, mrRetry},
            {mbIgnore, QMessageBox::Ignore, mrIgnore},
            {mbAll, QMessageBox::YesToAll, mrAll},
            {mbNoToAll, QMessageBox::NoToAll, mrNoToAll},
            {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
        };
        QMessageBox::StandardButtons buttons;
        for (const auto& m : map)
            if (r.Buttons & m.button) buttons |= m.standard;
        if (!buttons) buttons = QMessageBox::Ok;
        box.setStandardButtons(buttons);
        int clicked = box.exec();
        for (const auto& m : map)
            if (clicked == m.standard) return m.result;
        return (r.Buttons & mbCancel) ? mrCancel : (r.Buttons & mbNo) ? mrNo : mrOk;
    }
};

MessageBoxService& BoxService() {
    static MessageBoxService s;
    return s;
}

}  // namespace

QString ToQString(const std::string& ansi) {
    std::u16string u = AnsiToUtf16(ansi);
    return QString::fromUtf16(u.data(), qsizetype(u.size()));
}

std::string FromQString(const QString& text) {
    return Utf16ToAnsi(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
}

void SetApplicationTitle(const std::string& title) {
    Title() = title;
}
const std::string& ApplicationTitle() {
    return Title();
}

LorvaneApplication::LorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    SetMessageService(&BoxService());
    SetPrinterFactory([] { return CreateSystemPrinter(); });
    static std::unique_ptr<TClipboardStore> desktopClipboard = CreateSystemClipboard();
    SetClipboardStore(desktopClipboard.get());
}

LorvaneApplication::~LorvaneApplication() {
    // Printers hold paint devices that must not outlive the application object.
    ReleasePrinters();
    SetPrinterFactory(nullptr);
    if (&Messages() == &BoxService()) SetMessageService(nullptr);
    SetClipboardStore(nullptr);
}

void LorvaneApplication::ShowException(const std::exception* error) {
    if (dynamic_cast<const EAbort*>(error)) return;
    std::string text = error ? error->what() : "Unknown error";
    MessageDlg(text, TMsgDlgType::mtError, mbOK);
}

bool LorvaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(&e);
    } catch (...) {
        ShowException(nullptr);
    }
    return false;
}
