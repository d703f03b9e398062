// The about box: title, version and build from the program's version record, the maker.
#pragma once

#include <QColor>
#include <QDialog>
#include <memory>

namespace Ui {
class AboutBox;
}

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parentForm = nullptr);
    ~TAboutBox() override;

    int TitleFontSize = 24;
    QColor TitleFontColor = QColor(255, 0, 0);
    bool ThreeLevelBuild = true;
    QWidget* ParentForm = nullptr;

    Ui::AboutBox& Form() { return *ui_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::AboutBox> ui_;
    std::string build_;
};
