// The combo box's completion rule.
#include "QComboRules.h"

#include "platform/KeyCodes.h"
#include "platform/SysUtils.h"

TQuickCompletion QuickComplete(const std::vector<std::string>& items, const std::string& typed,
                               uint16_t lastKey) {
    TQuickCompletion c;
    if (typed.empty() || lastKey == VK_BACK || lastKey == VK_DELETE) return c;
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string& item = items[i];
        // The prefix test ignores case, like the list's own search.
        if (item.size() >= typed.size() &&
            SameText(std::string_view(item).substr(0, typed.size()), typed)) {
            c.Index = int(i);
            c.Text = item;
            c.SelStart = int(typed.size());
            c.SelLength = int(item.size() - typed.size());
            return c;
        }
    }
    return c;
}
