// The information panel's text.
#include "InfoPanel.h"

#include "MainTree.h"
#include "MarkMemo.h"
#include "StStrL.h"
#include "platform/SysUtils.h"

TEntryInfoText BuildEntryInfo(const TEntry& entry) {
    TEntryInfoText info;
    std::vector<std::string>& lines = info.Lines;
    lines.emplace_back();
    info.NameLine = int(lines.size());
    lines.push_back(Trim(entry.Name));
    lines.emplace_back();
    lines.push_back("Description:" + entry.Description);
    lines.emplace_back();
    lines.push_back("Rating:" + entry.Rating.str());
    lines.push_back("Access Count:" + GroupThousandsLongStr(entry.AccessCount));
    if (entry.LastAccess > NoDate)
        lines.push_back("Last Access:" + FormatTreeDate(entry.LastAccess));
    if (entry.ChangeDate > NoDate)
        lines.push_back("Change Date:" + FormatTreeDate(entry.ChangeDate));
    lines.emplace_back();
    if (!entry.Category1.empty()) {
        lines.push_back("Category_1:" + entry.Category1);
        if (!entry.Category2.empty()) {
            lines.push_back("Category_2:" + entry.Category2);
            if (!entry.Category3.empty()) lines.push_back("Category_3:" + entry.Category3);
        }
    }
    if (!entry.Category1.empty() || !entry.Category2.empty() || !entry.Category3.empty())
        lines.emplace_back();
    lines.push_back("URL:");
    lines.push_back(entry.URL);
    lines.emplace_back();
    lines.push_back("EMail:" + entry.EMail);
    lines.emplace_back();
    lines.push_back("User ID:" + entry.UserID.str());
    lines.emplace_back();
    if (!entry.Notes.empty()) {
        lines.push_back("Notes:");
        lines.push_back(entry.Notes);
        lines.emplace_back();
    }
    return info;
}

std::vector<std::string> PasswordInfoLines(const TEntry& entry) {
    return {"User ID PassWord:" + entry.Password.str(), std::string()};
}

std::vector<std::string> ConfNotesInfoLines(const TEntry& entry) {
    if (entry.ConfNotes.empty()) return {};
    return {"Confidential Notes:", entry.ConfNotes, std::string()};
}

void FillInfoMemo(TMarkMemo& memo, const TEntry& entry) {
    for (const char* label : InfoPanelLabels)
        memo.Keywords().AddKeyWord(label, InfoLabelOptions, InfoLabelStyle, InfoLabelContext, 0, 0,
                                   0);
    memo.Clear();
    const TEntryInfoText info = BuildEntryInfo(entry);
    memo.Lines().BeginUpdate();
    for (int i = 0; i < int(info.Lines.size()); ++i) {
        const std::string& line = info.Lines[size_t(i)];
        const int32_t start = memo.CharCount();
        memo.Lines().Add(line);
        if (i == info.NameLine && !line.empty())
            memo.ApplyDynStyle(start, start + int32_t(line.size()), InfoNameStyle, false, 0, 0,
                               InfoNameBackColor, InfoNameTextColor);
    }
    memo.Lines().EndUpdate();
}

void AddInfoMemoLines(TMarkMemo& memo, const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    memo.Lines().BeginUpdate();
    for (const std::string& line : lines) memo.Lines().Add(line);
    memo.Lines().EndUpdate();
}
