// The memo's text seen as string lists: by paragraph and by display line.
#pragma once

#include <string>

#include "platform/Classes.h"

class TMarkMemo;

// What both views share: loading and saving through the memo, the text, the update lock.
class TMarkMemoStrings : public TStrings {
public:
    explicit TMarkMemoStrings(TMarkMemo& memo) : memo_(memo) {}

    void Clear() override;
    // Both views share the memo's update lock.
    void BeginUpdate() override;
    void EndUpdate() override;
    // The whole text (breaks always CR LF) and replacing it.
    std::string Text() const;
    void SetText(std::string_view text);
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    // Copies another list through a plain-text round trip.
    void Assign(const TStrings& source);

protected:
    // Replaces paragraph `index` (appending empty ones first when it lies beyond the text).
    void PutParagraph(int index, const std::string& s);
    // Appends `s` as a new last paragraph; returns the paragraph count - 1.
    int AddParagraph(const std::string& s);
    TMarkMemo& memo_;
};

// Paragraphs; the empty last paragraph is not counted.
class TMarkParaStrings : public TMarkMemoStrings {
public:
    using TMarkMemoStrings::TMarkMemoStrings;
    int Count() const override;
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override { PutParagraph(index, s); }
    int Add(const std::string& s) override { return AddParagraph(s); }
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
};

// Display lines, laid out on demand; the empty last line is not counted.
class TMarkLinesStrings : public TMarkMemoStrings {
public:
    using TMarkMemoStrings::TMarkMemoStrings;
    int Count() const override;
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    int Add(const std::string& s) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
};
