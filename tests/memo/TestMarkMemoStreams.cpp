// The memo's plain-text and binary streams, the string views and the update lock.
#include <gtest/gtest.h>

#include "MemoTestSupport.h"

namespace {

void LoadPlain(TMarkMemo& memo, const std::string& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    stream.SetPosition(0);
    memo.LoadFromStream(stream);
}

using Paragraphs = std::vector<std::string>;

}  // namespace

TEST(MarkMemoPlainText, SplitsAtEveryKindOfBreakWithoutSwallowingBlankLines) {
    struct Case {
        std::string text;
        Paragraphs pars;
    };
    for (const Case& c :
         {Case{"a\r\nb\n\rc\rd", {"a", "b", "c", "d"}}, Case{"a\r\n\r\nb", {"a", "", "b"}},
          Case{"a\n\nb", {"a", "", "b"}}, Case{"a\r\r\nb", {"a", "", "b"}},
          Case{"a\n\r\n\rb", {"a", "", "b"}}, Case{"", {""}}, Case{"\r\n", {"", ""}}}) {
        TMarkMemo memo;
        LoadPlain(memo, c.text);
        EXPECT_EQ(ParagraphTexts(memo), c.pars) << c.text;
        EXPECT_EQ(StoreProblem(memo), "");
    }
    TMarkMemo memo;
    LoadPlain(memo, "a\r\n");
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"a", ""}));
    EXPECT_EQ(memo.Paragraphs().Count(), 1);
    EXPECT_EQ(memo.CharCount(), 3);
}

TEST(MarkMemoPlainText, BreakAcrossAReadPieceIsOneBreak) {
    std::string text(65499, 'x');
    text += "\r\ny";
    TMarkMemo memo;
    LoadPlain(memo, text);
    EXPECT_EQ(memo.ParagraphCount(), 2);
    EXPECT_EQ(memo.Paragraph(1).Text, "y");
}

TEST(MarkMemoPlainText, NullReplacementAndTrailingBlanks) {
    TMarkMemo memo;
    memo.NullReplacement = '?';
    LoadPlain(memo, std::string("a\0b", 3));
    EXPECT_EQ(memo.Paragraph(0).Text, "a?b");
    memo.SetOptions(memo.Options() | pmoDiscardTrailingSpaces);
    LoadPlain(memo, "ab \t\r\ncd  ");
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"ab", "cd"}));
}

TEST(MarkMemoPlainText, LoadingClearsUndoAndResetsPositions) {
    TMarkMemo memo;
    memo.SetTextBuf("abc");
    memo.SetSelStart(3);
    memo.SetSelText("d");
    ASSERT_TRUE(memo.CanUndo());
    TMarkNavigator nav(&memo);
    nav.SetPos(4);
    int parses = 0;
    memo.OnParse = [&](TObject*, int32_t a, int32_t b) {
        ++parses;
        EXPECT_EQ(a, 0);
        EXPECT_EQ(b, 5);
    };
    memo.SetTextBuf("x\r\nyz");
    EXPECT_EQ(parses, 1);
    EXPECT_FALSE(memo.CanUndo());
    EXPECT_EQ(nav.Pos(), 0);
    EXPECT_EQ(memo.SelStart(), 0);
}

TEST(MarkMemoPlainText, SaveWritesTheChosenBreakBetweenParagraphs) {
    TMarkMemo memo;
    memo.SetTextBuf("a\r\nb");
    for (auto [kind, expected] :
         {std::pair{pbCRLF, "a\r\nb"}, {pbLF, "a\nb"}, {pbLFCR, "a\n\rb"}, {pbCR, "a\rb"}}) {
        memo.LineBreak = kind;
        EXPECT_EQ(SavedText(memo), expected);
        EXPECT_EQ(memo.Lines().Text(), "a\r\nb");  // the views always use CR LF
    }
    memo.LineBreak = pbCRLF;
    memo.SetTextBuf("a\r\n");
    EXPECT_EQ(SavedText(memo), "a\r\n");
    TMarkMemo empty;
    int progress = 0;
    empty.OnProgress = [&](TObject*) { ++progress; };
    EXPECT_EQ(SavedText(empty), "");
    EXPECT_EQ(progress, 1);
}

TEST(MarkMemoPlainText, SaveCompactsRedundantCodePairs) {
    TMarkMemo memo;
    for (auto [in, out] : {std::pair<std::string, std::string>{"a\x02\x02"
                                                               "b",
                                                               "ab"},
                           {"a\x02\x01\x02"
                            "b",
                            "a\x01"
                            "b"},
                           {"\x02"
                            "ab\x02",
                            "\x02"
                            "ab\x02"},
                           {"\x02\x02\x02", "\x02"}}) {
        memo.SetTextBuf(in);
        EXPECT_EQ(SavedText(memo), out);
    }
    memo.SetStaticFormat(false);
    memo.SetTextBuf(
        "a\x02\x02"
        "b");
    EXPECT_EQ(SavedText(memo),
              "a\x02\x02"
              "b");
}

TEST(MarkMemoPlainText, StaticFormatReinterpretsCodes) {
    TMarkMemo memo;
    memo.SetStaticFormat(false);
    memo.SetTextBuf(
        "\x02"
        "a\x02");
    TMarkNavigator nav(&memo);
    nav.SetPos(1);
    EXPECT_EQ(nav.StaticStyle(), 0);
    memo.SetStaticFormat(true);
    nav.SetPos(1);
    EXPECT_EQ(nav.StaticStyle(), msBold);
    EXPECT_EQ(memo.CharCount(), 3);
    EXPECT_FALSE(memo.CanUndo());
    // the running style reaches the next paragraph's first line
    memo.SetTextBuf(
        "\x02"
        "a\r\nb");
    EXPECT_EQ(memo.Paragraph(1).StartStyle, msBold);
}

TEST(MarkMemoViews, LinesAddUsesTheEmptyLastParagraph) {
    TMarkMemo memo;
    memo.Lines().Add("x");
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"x", ""}));
    EXPECT_EQ(memo.Lines().Count(), 1);
    EXPECT_EQ(memo.CharCount(), 3);
    memo.Lines().Add("y");
    EXPECT_EQ(memo.Lines().Text(), "x\r\ny\r\n");
    EXPECT_EQ(memo.SelStart(), memo.CharCount());
}

TEST(MarkMemoViews, ParagraphEdits) {
    TMarkMemo memo;
    memo.SetTextBuf("abc");
    EXPECT_EQ(memo.Paragraphs().Add("d"), 1);
    EXPECT_EQ(memo.Paragraphs().Text(), "abc\r\nd");
    EXPECT_EQ(memo.Paragraphs().Count(), 2);

    memo.SetTextBuf("a\r\nb\r\nc");
    memo.Paragraphs().Put(1, "zz");
    EXPECT_EQ(memo.Paragraphs().Text(), "a\r\nzz\r\nc");

    memo.SetTextBuf("a\r\nb");
    memo.Paragraphs().Delete(1);
    EXPECT_EQ(memo.Paragraphs().Text(), "a\r\n");
    EXPECT_EQ(memo.Paragraphs().Count(), 1);

    memo.SetTextBuf("a");
    memo.Paragraphs().Put(5, "q");
    EXPECT_EQ(memo.ParagraphCount(), 6);
    EXPECT_EQ(memo.Paragraphs().Get(5), "q");
    EXPECT_EQ(StoreProblem(memo), "");

    memo.SetTextBuf("a\r\nb");
    memo.Paragraphs().Insert(1, "n");
    EXPECT_EQ(memo.Paragraphs().Text(), "a\r\nn\r\nb");
    memo.SetTextBuf("a\r\n");
    memo.Paragraphs().Insert(7, "s");  // at or beyond the count it appends like Add
    EXPECT_EQ(memo.Paragraphs().Text(), "a\r\ns\r\n");
    EXPECT_THROW(memo.Paragraphs().Get(9), ERangeError);
}

TEST(MarkMemoViews, ReplacingAParagraphKeepsTheCaretOnItsCharacter) {
    TMarkMemo memo;
    memo.SetTextBuf("aa\r\nbb\r\ncc");
    memo.SetSelStart(9);  // the second c
    memo.SetSelLength(-1);
    memo.Paragraphs().Put(1, "bbbb");
    EXPECT_EQ(memo.SelStart(), 11);
    EXPECT_EQ(memo.SelLength(), -1);
    memo.SetSelStart(5);
    memo.Paragraphs().Put(1, "x");
    EXPECT_EQ(memo.SelStart(), 4);
    EXPECT_EQ(memo.SelLength(), 0);
}

TEST(MarkMemoViews, ClearOnlyWhenThereIsText) {
    TMarkMemo memo;
    int changes = 0;
    memo.OnChange = [&](TObject*) { ++changes; };
    memo.Clear();
    EXPECT_EQ(changes, 0);
    memo.SetTextBuf("abc");
    memo.SetSelStart(3);
    memo.SetSelText("d");
    changes = 0;
    memo.Clear();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(memo.ParagraphCount(), 1);
    EXPECT_EQ(memo.CharCount(), 0);
    EXPECT_FALSE(memo.CanUndo());
}

TEST(MarkMemoViews, UpdateLockFiresOneChangeAtTheLastUnlock) {
    TMarkMemo memo;
    int changes = 0;
    memo.OnChange = [&](TObject*) { ++changes; };
    memo.Lines().BeginUpdate();
    memo.Lines().BeginUpdate();
    memo.Lines().Add("x");
    EXPECT_EQ(changes, 0);
    memo.Lines().EndUpdate();
    EXPECT_EQ(changes, 0);
    memo.Lines().EndUpdate();
    EXPECT_EQ(changes, 1);
    memo.Lines().EndUpdate();  // surplus: the count stays at 0
    EXPECT_EQ(memo.UpdateLock(), 0);
    changes = 0;
    memo.Lines().BeginUpdate();
    memo.Lines().Add("y");
    EXPECT_EQ(changes, 0);
    memo.Lines().EndUpdate();
    EXPECT_EQ(changes, 1);
}

TEST(MarkMemoViews, AssignCopiesAnotherList) {
    TMarkMemo memo;
    TStringList source{"one", "two"};
    memo.Lines().Assign(source);
    EXPECT_EQ(memo.Paragraphs().Count(), 2);
    EXPECT_EQ(memo.Paragraphs().Get(1), "two");
}

TEST(MarkMemoProperties, SeparatorsAndUndoLevel) {
    TMarkMemo memo;
    EXPECT_EQ(memo.Separators(), "\t $%&,./:;<=>");
    memo.SetSeparators("b a");
    EXPECT_EQ(memo.Separators(), " ab");
    try {
        memo.SetUndoMaxLevel(134217728);
        FAIL() << "no exception";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message, "Undo set too high");
    }
    EXPECT_EQ(memo.UndoMaxLevel(), 256);
    EXPECT_EQ(memo.UndoMaxSpace(), 65536);
    EXPECT_TRUE(memo.HasOption(pmoBlockSelection));
    EXPECT_FALSE(memo.HasOption(pmoAutoIndent));
}

// ---- the binary image ----

namespace {

std::string Int(int32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += char((uint32_t(v) >> (8 * i)) & 0xFF);
    return s;
}

std::string ExpectedImageWithout8To11() {
    std::string e = Int(6) + Int(2) + Int(2);
    e += Int(2) + Int(0) + Int(0) + Int(2) + Int(1);
    e += Int(0) + Int(2) + std::string(28, '\0');
    e += Int(1) + "\x81\xFF" + std::string(2, '\0') + "\xFF\xFF" + std::string(2, '\0') +
         std::string(4, '\0') + std::string(4, '\0') + std::string(32, '\0') + std::string(4, '\0');
    e += Int(2) + std::string("\x00\xFF", 2) + std::string(50, '\0');
    e += "ab";
    e += Int(2) + Int(1) + Int(4) + Int(0) + Int(1);
    e += Int(0) + Int(2) + std::string(28, '\0');
    e += "cd";
    return e;
}

std::string WithoutWidest(std::string image) {
    image.erase(8, 4);
    return image;
}

std::string SampleImage() {
    TMarkMemo memo;
    memo.SetTextBuf("ab\r\ncd");
    EXPECT_EQ(memo.Lines().Count(), 2);
    memo.ApplyDynStyle(1, 2, 1, false, 0, 0, 0x0000FFFF, 0);
    return BinaryImage(memo);
}

}  // namespace

TEST(MarkMemoBinary, ImageIsByteExact) {
    std::string image = SampleImage();
    ASSERT_EQ(image.size(), 244u);
    EXPECT_EQ(WithoutWidest(image), ExpectedImageWithout8To11());
}

TEST(MarkMemoBinary, LoadingReproducesTheImage) {
    std::string image = SampleImage();
    TMarkMemo memo;
    LoadImage(memo, image);
    EXPECT_EQ(WithoutWidest(BinaryImage(memo)), WithoutWidest(image));
    EXPECT_EQ(SavedText(memo), "ab\r\ncd");
    EXPECT_EQ(StoreProblem(memo), "");
    // the second paragraph starts in the state the first one ended with
    EXPECT_EQ(memo.Paragraph(1).StartAttr().Style, 0);
}

TEST(MarkMemoBinary, DamagedImagesAreRejectedAndLeaveAnEmptyMemo) {
    const std::string image = SampleImage();
    std::vector<std::string> damaged;
    for (size_t cut = 0; cut < image.size(); ++cut) damaged.push_back(image.substr(0, cut));
    auto patch = [&](size_t at, int32_t value) {
        std::string d = image;
        d.replace(at, 4, Int(value));
        damaged.push_back(d);
    };
    patch(4, 0);         // line count
    patch(12, 0);        // paragraph count
    patch(12, 1000000);  // paragraph count beyond the bytes
    patch(28, 1000000);  // attribute count beyond the bytes
    patch(28, -1);
    patch(32, 0);          // a paragraph without lines
    patch(192, 3);         // start offset against the running sum
    patch(188, 5);         // first line against the running sum
    patch(40, 3);          // line end beyond the paragraph
    patch(36, 1);          // first line not at 0
    patch(128, 0);         // attribute offsets out of order
    patch(72, 9);          // attribute offset beyond the paragraph
    patch(0, 7);           // character count against the total
    patch(16, -2);         // negative length
    patch(8, -1);          // negative widest width
    patch(44, INT32_MIN);  // line widths that the pixel arithmetic cannot take
    patch(44, 5);          // width without the blanks beyond the width with them
    patch(48, 1 << 30);
    patch(56, -1);  // blanks to stretch: negative, or more than the line holds
    patch(56, 3);
    patch(60, 3);  // justification start beyond the line
    {
        std::string d = image;
        d[77] = char(15);  // level above the nesting limit
        damaged.push_back(d);
    }
    damaged.push_back(image + "x");
    for (size_t i = 0; i < damaged.size(); ++i) {
        TMarkMemo memo;
        memo.SetTextBuf("previous");
        EXPECT_THROW(LoadImage(memo, damaged[i]), Exception) << i;
        EXPECT_EQ(memo.CharCount(), 0) << i;
        EXPECT_EQ(memo.ParagraphCount(), 1) << i;
        EXPECT_EQ(StoreProblem(memo), "") << i;
        memo.SetSelText("still editable");
        EXPECT_EQ(SavedText(memo), "still editable");
    }
}

TEST(MarkMemoBinary, LaidOutImagesPassTheirOwnChecks) {
    TMarkMemo memo;
    TestWindow window;
    memo.SetUpdateMode(umImmediate);
    window.Attach(memo);
    memo.SetJustified(true);
    memo.SetTextBuf("aaaa bbbb  cccc\tdd e\r\n\r\nxxxxxxxxxxxxxxxxxxxxxxxxx\r\n\t\x02q\x02 r s");
    ASSERT_GT(memo.LineCount(), 6);
    std::string image = BinaryImage(memo);
    TMarkMemo copy;
    TestWindow other;
    other.Attach(copy);
    LoadImage(copy, image);
    EXPECT_EQ(BinaryImage(copy), image);
    EXPECT_EQ(LineShapes(copy), LineShapes(memo));
}

TEST(MarkMemoBinary, ImageWithRelayoutIsMeasuredAgain) {
    std::string image = SampleImage();
    TMarkMemo memo;
    TestWindow window;
    memo.SetUpdateMode(umImmediate);
    window.Attach(memo);
    LoadImage(memo, image, true);
    EXPECT_EQ(memo.ParagraphLines(0).Line0.Width, 20);
    EXPECT_EQ(StoreProblem(memo), "");
}
