// The password prompt: "Enter password:" with a hidden edit.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

namespace Ui {
class PasswordDlg;
}

class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPasswordDlg(QWidget* parent = nullptr);
    ~TPasswordDlg() override;

    // Shows the dialog with an empty edit; true on OK with the typed text.
    bool Ask(std::string& typed);
    Ui::PasswordDlg& Form() { return *ui_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::PasswordDlg> ui_;
};
