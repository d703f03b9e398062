// The highlight key lists (keywords, start/stop keys) and the highlighter hook component.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MarkMemoTypes.h"
#include "platform/Classes.h"

class TMarkMemo;
class TMarkNavigator;

struct TKeywordRec {
    uint8_t Options = 0;  // bit 0 case-sensitive, bit 1 whole word
    uint8_t Style = 0;
    int16_t Context = 0;  // 0: never matched
    int16_t Cursor = 0;
    int32_t BackColor = 0;
    int32_t TextColor = 0;
    int32_t Length = 0;  // filled in with the lookup
};

enum : uint8_t { koCaseSensitive = 1, koWholeWord = 2 };

// Keywords with their records, in list order (earlier keywords claim their text first).
// Every change rebuilds the lookup: the match copies, upper-cased for case-insensitive ones.
class TKeywordList {
public:
    int AddKeyWord(const std::string& keyword, uint8_t options, uint8_t style, int16_t context,
                   int16_t cursor, int32_t backColor, int32_t textColor);
    int Count() const { return int(items_.size()); }
    const std::string& Keyword(int i) const { return At(i).text; }
    // A copy of the record of keyword i.
    TKeywordRec Record(int i) const { return At(i).rec; }
    void SetRecord(int i, const TKeywordRec& rec);
    void Delete(int i);
    void Clear();
    void Assign(const TKeywordList& other);

    TpmUpperCase UpperCaseType() const { return upperCase_; }
    void SetUpperCaseType(TpmUpperCase kind);
    bool KeywordsInRanges = false;

    // The lookup.
    const std::string& MatchCopy(int i) const { return At(i).copy; }
    int Longest() const { return longest_; }
    bool AnyCaseInsensitive() const { return anyInsensitive_; }

    std::function<void()> OnChange;

private:
    struct Item {
        std::string text;
        TKeywordRec rec;
        std::string copy;
    };
    const Item& At(int i) const;
    void Rebuild();
    std::vector<Item> items_;
    TpmUpperCase upperCase_ = pmuAscii;
    int longest_ = 0;
    bool anyInsensitive_ = false;
};

struct StartStopInfo {
    uint8_t Options = 0;
    uint8_t Style = 0;
    int16_t Context = 0;
    int16_t Cursor = 0;
    int32_t BackColor = 0;
    int32_t TextColor = 0;
    std::string StartCopy, StopCopy;  // as matched: upper-cased for case-insensitive entries
    int StartLength = 0, StopLength = 0;
    std::string StartKey, StopKey;  // as given
    bool EndAtParagraphEnd = false;
    int SameStart = -1;  // an earlier entry with the same options and start copy
    // Whole-word needs, set before each scan.
    bool SepBeforeStart = false, SepAfterStart = false;
    bool SepBeforeStop = false, SepAfterStop = false;
};

// Delimited ranges (comments, strings) that the scanner carries across paragraphs.
class TStartStopKeyList {
public:
    int AddStartStopKey(const std::string& startKey, const std::string& stopKey, uint8_t options,
                        uint8_t style, int16_t context, int16_t cursor, int32_t backColor,
                        int32_t textColor, bool endAtParagraphEnd);
    int Count() const { return int(items_.size()); }
    int Capacity() const { return int(items_.capacity()); }
    // Raises ERangeError "List index out of bounds".
    const StartStopInfo& Get(int i) const;
    void Delete(int i);
    void Clear();
    void Assign(const TStartStopKeyList& other);

    TpmUpperCase UpperCaseType() const { return upperCase_; }
    void SetUpperCaseType(TpmUpperCase kind);
    int LongestStart() const { return longestStart_; }
    int LongestStop() const { return longestStop_; }
    // Recomputes the whole-word needs when stale or when the separators differ.
    void RefreshWholeWord(const TSeparatorSet& separators);
    void MarkStale() { wholeWordCurrent_ = false; }

    std::function<void()> OnChange;

private:
    void Derive(StartStopInfo& e) const;
    void Relink();
    std::vector<StartStopInfo> items_;
    TpmUpperCase upperCase_ = pmuAscii;
    int longestStart_ = 0, longestStop_ = 0;
    bool wholeWordCurrent_ = false;
    TSeparatorSet separators_;
};

// A component that takes part in parsing. Its hooks do nothing here.
class TMarkHighlighter : public TComponent {
public:
    using TComponent::TComponent;
    ~TMarkHighlighter() override;

    virtual void BeforeKeywords(TMarkMemo& /*memo*/, int /*keywordCount*/) {}
    virtual void Hook2(TMarkMemo& /*memo*/) {}
    // May close a range that is not a start/stop range; true when it did.
    virtual bool StopSearch(TMarkNavigator& /*start*/, TMarkNavigator& /*search*/,
                            int /*startStopCount*/) {
        return false;
    }
    const std::vector<TMarkMemo*>& Memos() const { return memos_; }

private:
    friend class TMarkMemo;
    std::vector<TMarkMemo*> memos_;
};
