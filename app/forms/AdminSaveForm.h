// The administrator's choice of what to save and as which kind of bank.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class AdminSaveForm;
}

class TAdminSaveForm : public QDialog {
    Q_OBJECT
public:
    explicit TAdminSaveForm(QWidget* parent = nullptr);
    ~TAdminSaveForm() override;

    // The chosen items, 0-based ("Local Bank", "Workgroup Bank", "Combined ...") and
    // ("Local Bank", "WorkGroup Bank").
    int WhatToSave() const;
    int HowToSave() const;
    void SetWhatToSave(int index);
    void SetHowToSave(int index);
    // Shows the dialog modally; true on Save with both choices.
    bool Choose(int& what, int& how);

    Ui::AdminSaveForm& Form() { return *ui_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::AdminSaveForm> ui_;
};
