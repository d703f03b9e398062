// The choice among the three configured browsers.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

namespace Ui {
class BrowserSelectionForm;
}

class TBrowserSelectionForm : public QDialog {
    Q_OBJECT
public:
    explicit TBrowserSelectionForm(QWidget* parent = nullptr);
    ~TBrowserSelectionForm() override;

    // The line confirmed with OK (0..2); -1 before that.
    int Chosen() const { return chosen_; }
    Ui::BrowserSelectionForm& Form() { return *ui_; }

    // OK: the selected line, or "Please select a browser" and the dialog stays open.
    void OKButtonClick();

private:
    std::unique_ptr<Ui::BrowserSelectionForm> ui_;
    int chosen_ = -1;
};

// Shows the dialog over the configured names; `choice` takes the line chosen with OK.
void RunBrowserSelection(QWidget* parent, int& choice);
