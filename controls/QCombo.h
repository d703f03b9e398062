// The auto-completing combo box: typed text completes to the first matching list item.
#pragma once

#include <QComboBox>
#include <cstdint>
#include <string>
#include <vector>

#include "QComboRules.h"
#include "platform/Classes.h"

// The rest of the completed item is selected, so typing on replaces it; Ctrl on its own
// drops the list down. Also a TObject, so that it is the Sender of OnChange.
class TQuickComboBox : public QComboBox, public TObject {
    Q_OBJECT
public:
    explicit TQuickComboBox(QWidget* parent = nullptr);

    // The text in Windows-1252.
    std::string Text() const;
    void SetText(const std::string& text);
    std::vector<std::string> ItemTexts() const;
    // The virtual key last pressed (Backspace, Delete, Ctrl, letters as capitals; 0 others).
    uint16_t LastKey() const { return lastKey_; }

    // Fires for the user's own edits and choices, before completion; never for changes made
    // by the program.
    TNotifyEvent OnChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Edited();
    uint16_t lastKey_ = 0;
    bool ctrlAlone_ = false;
};
