// The memo's store and navigator: offsets around breaks, records in force, lines, columns.
#include <gtest/gtest.h>

#include <random>

#include "MemoTestSupport.h"

TEST(MarkMemoStore, NewMemoHoldsOneEmptyParagraph) {
    TMarkMemo memo;
    EXPECT_EQ(memo.CharCount(), 0);
    ASSERT_EQ(memo.ParagraphCount(), 1);
    const TParagraphRec& par = memo.Paragraph(0);
    EXPECT_EQ(par.TextColor, -1);
    EXPECT_EQ(par.BackColor, -1);
    EXPECT_EQ(par.StartAttr().Level, -1);
    EXPECT_EQ(memo.ParagraphLines(0).LineCount(), 1);
    EXPECT_TRUE(par.StartStopScanned && par.KeywordsParsed);
    TMarkNavigator nav(&memo);
    nav.SetPos(0);
    EXPECT_EQ(nav.GetParNb(), 0);
    EXPECT_EQ(nav.Char(), 13);
    nav.SetPos(1);
    EXPECT_EQ(nav.GetParNb(), 0);
    EXPECT_EQ(nav.Char(), 10);
    EXPECT_THROW(memo.Paragraph(1), ERangeError);
}

TEST(MarkMemoStore, BreakPositionsBelongToTheParagraphBefore) {
    TMarkMemo memo;
    memo.SetTextBuf("ab\r\ncde");
    EXPECT_EQ(memo.CharCount(), 7);
    TMarkNavigator nav(&memo);
    struct Case {
        int32_t pos;
        int par;
        int32_t offset;
        unsigned char ch;
    };
    for (Case c : {Case{0, 0, 0, 'a'},
                   {2, 0, 2, 13},
                   {3, 0, 3, 10},
                   {4, 1, 0, 'c'},
                   {7, 1, 3, 13},
                   {8, 1, 4, 10}}) {
        nav.Reset();
        nav.SetPos(c.pos);
        EXPECT_EQ(nav.GetParNb(), c.par) << c.pos;
        EXPECT_EQ(nav.GetOffset(), c.offset) << c.pos;
        EXPECT_EQ(nav.Char(), c.ch) << c.pos;
    }
    // positions beyond the text are held at its end instead of walking off the store
    nav.SetPos(1000);
    EXPECT_EQ(nav.Pos(), 8);
    nav.SetPos(-5);
    EXPECT_EQ(nav.Pos(), 0);
}

TEST(MarkMemoStore, ResolutionIsIndependentOfParagraphLengths) {
    std::mt19937 rng(7);
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        int length = int(rng() % 41);
        if (rng() % 3 == 0) length = 0;
        text.append(size_t(length), 'x');
        if (i + 1 < 100000) text += "\r\n";
    }
    TMarkMemo memo;
    memo.SetTextBuf(text);
    const TParagraphsList& pars = memo.ParagraphList();
    auto expected = [&](int32_t pos) {
        int lo = 0, hi = pars.Count() - 1;
        while (lo < hi) {  // the unique paragraph whose [start, start + len + 1] holds pos
            int mid = (lo + hi + 1) / 2;
            if (pars[mid].StartOffset() <= pos)
                lo = mid;
            else
                hi = mid - 1;
        }
        return lo;
    };
    TMarkNavigator forward(&memo), backward(&memo), fresh(&memo);
    int32_t pos = 0;
    for (int i = 0; i < 3000; ++i) {
        pos = std::min(memo.CharCount() + 1, pos + int32_t(rng() % 400));
        forward.SetPos(pos);
        ASSERT_EQ(forward.GetParNb(), expected(pos)) << pos;
        int32_t back = memo.CharCount() + 1 - pos;
        backward.SetPos(back);
        ASSERT_EQ(backward.GetParNb(), expected(back)) << back;
        fresh.Reset();
        int32_t any = int32_t(rng() % uint32_t(memo.CharCount() + 2));
        fresh.SetPos(any);
        ASSERT_EQ(fresh.GetParNb(), expected(any)) << any;
        const TParagraphRec& par = fresh.GetPar();
        ASSERT_GE(any, par.StartOffset());
        ASSERT_LE(any, par.StartOffset() + par.Length() + 1);
    }
}

TEST(MarkMemoStore, RecordInForceAtABoundary) {
    TMarkMemo memo;
    memo.SetTextBuf("abcdefghij");
    memo.ApplyDynStyle(3, 7, msBold, false, 0, 0, 0x0000FFFF, 0);
    const TParagraphRec& par = memo.Paragraph(0);
    ASSERT_EQ(par.AttrCount(), 2);
    EXPECT_EQ(par.Attrs[0].Offset, 3);
    EXPECT_EQ(par.Attrs[0].Style, 0x81);
    EXPECT_EQ(par.Attrs[0].Level, -1);
    EXPECT_EQ(par.Attrs[1].Offset, 7);
    EXPECT_EQ(par.Attrs[1].Style, 0);
    EXPECT_EQ(par.Attrs[1].Level, -1);

    TMarkNavigator nav(&memo);
    const TAttributeRec* start = &par.StartAttr();
    const TAttributeRec* at3 = &par.Attrs[0];
    const TAttributeRec* at7 = &par.Attrs[1];
    struct Case {
        int32_t pos;
        int dyn;
        const TAttributeRec* current;
        const TAttributeRec* skipped;
    };
    for (Case c : {Case{0, 0, start, start},
                   {3, 0, start, at3},
                   {5, 1, at3, at3},
                   {7, 1, at3, at7},
                   {8, 2, at7, at7}}) {
        nav.Reset();
        nav.SetPos(c.pos);
        EXPECT_EQ(nav.GetDynNb(), c.dyn) << c.pos;
        EXPECT_EQ(&nav.CurrentDyn(), c.current) << c.pos;
        TAttributeRec copy;
        nav.GetDynCopy(copy);
        EXPECT_EQ(copy.Offset, c.current->Offset) << c.pos;
        EXPECT_EQ(&nav.AttrAt(), c.skipped) << c.pos;
    }
}

TEST(MarkMemoStore, ForwardMovesKeepAndAdvanceTheCaches) {
    TMarkMemo memo;
    memo.SetTextBuf("abcdefghij");
    memo.ApplyDynStyle(3, 7, msBold, false, 0, 0, 0x0000FFFF, 0);
    TMarkNavigator nav(&memo);
    nav.SetPos(1);
    EXPECT_EQ(nav.GetDynNb(), 0);
    nav.SetPos(5);  // the cached index moves past the record at 3
    EXPECT_EQ(nav.GetDynNb(), 1);
    nav.SetPos(8);
    EXPECT_EQ(nav.GetDynNb(), 2);
    nav.SetPos(2);  // backwards: recomputed
    EXPECT_EQ(nav.GetDynNb(), 0);
}

TEST(MarkMemoStore, LineNumbersAtLineEnds) {
    TMarkMemo memo;
    memo.SetTextBuf("abcdefghijkl\r\nxy");
    // lay the first paragraph out as [0,5) [5,10) [10,12) by hand
    TLinesList lines(&memo.ParagraphLines(0));
    lines.SetCount(3);
    lines.Put(0, TLineRec{0, 5});
    lines.Put(1, TLineRec{5, 10});
    lines.Put(2, TLineRec{10, 12});
    EXPECT_THROW(lines.Get(3), ERangeError);
    EXPECT_THROW(lines.SetCount(59652324), std::bad_alloc);
    TMarkNavigator nav(&memo);
    for (auto [pos, line] : {std::pair{0, 0}, {4, 0}, {5, 1}, {12, 2}, {13, 2}}) {
        nav.Reset();
        nav.SetPos(pos);
        EXPECT_EQ(nav.GetLineNb(), line) << pos;
    }
    nav.Reset();
    nav.SetPos(0);
    nav.SetColumn(99);
    EXPECT_EQ(nav.Pos(), 5);
}

TEST(MarkMemoStore, AbsoluteLinesClampToTheLast) {
    TMarkMemo memo;
    memo.SetTextBuf("ab\r\ncd\r\nef");
    TMarkNavigator nav(&memo);
    nav.SetAbsLine(1);
    EXPECT_EQ(nav.Pos(), 4);
    EXPECT_EQ(nav.GetAbsLine(), 1);
    nav.SetAbsLine(99);
    EXPECT_EQ(nav.Pos(), 8);
    EXPECT_EQ(nav.GetColumn(), 0);
}

TEST(MarkMemoStore, CopyTextGivesBreaksAsCrLf) {
    TMarkMemo memo;
    memo.SetTextBuf("ab\r\ncde");
    TMarkNavigator nav(&memo);
    nav.SetPos(1);
    EXPECT_EQ(nav.CopyText(4), "b\r\nc");
    nav.SetPos(3);
    EXPECT_EQ(nav.CopyText(3), "\ncd");
    nav.SetPos(5);
    EXPECT_EQ(nav.CopyText(100), "de");
}

TEST(MarkMemoStore, DeletingARecordAtAnotherOffsetIsRefused) {
    TMarkMemo memo;
    memo.SetTextBuf("abcdefghij");
    memo.ApplyDynStyle(3, 7, msBold, false, 0, 0, 0x0000FFFF, 0);
    TMarkNavigator nav(&memo);
    nav.SetPos(2);
    EXPECT_THROW(nav.DeleteDyn(), EMarkMemoError);
    EXPECT_EQ(memo.Paragraph(0).AttrCount(), 2);
    nav.SetPos(3);
    nav.DeleteDyn();
    EXPECT_EQ(memo.Paragraph(0).AttrCount(), 1);
}

TEST(MarkMemoStore, InsertDynGoesBeforeRecordsAtTheOffset) {
    TMarkMemo memo;
    memo.SetTextBuf("abcdefghij");
    memo.ApplyDynStyle(3, 7, msBold, false, 0, 0, 0x0000FFFF, 0);
    TMarkNavigator nav(&memo);
    nav.SetPos(3);
    TAttributeRec rec;
    rec.Style = msDynamic | msItalic;
    nav.InsertDyn(rec);
    EXPECT_EQ(nav.GetDynNb(), 1);
    EXPECT_EQ(memo.Paragraph(0).Attrs[0].Style, msDynamic | msItalic);
    EXPECT_EQ(memo.Paragraph(0).Attrs[1].Style, 0x81);
}

TEST(MarkMemoStore, NextAndPreviousRecordsAcrossParagraphs) {
    TMarkMemo memo;
    memo.SetTextBuf("abc\r\ndef");
    memo.ApplyDynStyle(1, 2, msBold, false, 0, 0, 1, 0);
    memo.ApplyDynStyle(6, 7, msBold, false, 0, 0, 1, 0);
    TMarkNavigator nav(&memo);
    nav.SetPos(0);
    ASSERT_TRUE(nav.NextDyn(100));
    EXPECT_EQ(nav.Pos(), 1);
    ASSERT_TRUE(nav.NextDyn(100));
    EXPECT_EQ(nav.Pos(), 2);
    ASSERT_TRUE(nav.NextDyn(100));
    EXPECT_EQ(nav.Pos(), 6);
    EXPECT_FALSE(nav.NextDyn(6));
    ASSERT_TRUE(nav.PrevDyn(0));
    EXPECT_EQ(nav.Pos(), 2);
    EXPECT_FALSE(nav.PrevDyn(2));
}

TEST(MarkMemoStore, StaticStyleCountsCodesBeforeTheOffset) {
    TMarkMemo memo;
    memo.SetTextBuf(
        "a\x02"
        "b\x01"
        "c");
    TMarkNavigator nav(&memo);
    nav.SetPos(1);
    EXPECT_EQ(nav.StaticStyle(), 0);
    nav.SetPos(2);
    EXPECT_EQ(nav.StaticStyle(), msBold);
    nav.SetPos(4);
    EXPECT_EQ(nav.StaticStyle(), msBold | msItalic);
}

TEST(MarkMemoStore, NavigatorsOutliveTheirMemoSafely) {
    auto memo = std::make_unique<TMarkMemo>();
    TMarkNavigator nav(memo.get());
    int freed = 0;
    {
        TMarkNavigator other(memo.get());
        other.OnFree = [&](TMarkNavigator*) { ++freed; };
    }
    EXPECT_EQ(freed, 1);
    memo.reset();
    EXPECT_EQ(nav.Memo(), nullptr);
    nav.SetPos(4);  // harmless without a memo
    EXPECT_EQ(nav.CopyText(2), "");
}

TEST(MarkMemoTypes, TabColumns) {
    int reached = 0;
    EXPECT_EQ(ColumnToIndex("a\tb", 8, 8, true, &reached), 2);
    EXPECT_EQ(ColumnRemainder("a\tb", 8, 8, true), 0);
    EXPECT_EQ(ColumnToIndex("a\tb", 4, 8, true), 1);
    EXPECT_EQ(ColumnRemainder("a\tb", 4, 8, true), 3);
    EXPECT_EQ(ColumnToIndex("ab", 5, 8, true), 2);
    EXPECT_EQ(ColumnRemainder("ab", 5, 8, true), 3);
    // format codes take no column when skipped
    EXPECT_EQ(ColumnToIndex("\x02"
                            "ab",
                            1, 8, true),
              2);
    EXPECT_EQ(ColumnToIndex("\x02"
                            "ab",
                            1, 8, false),
              1);
}

TEST(MarkMemoTypes, UpperCaseKinds) {
    std::string ansi =
        "\xE9\xFF\x9A\xDF\xF7\xB5"
        "az";
    UpperCaseInPlace(ansi, pmuAnsi);
    EXPECT_EQ(ansi,
              "\xC9\x9F\x8A\xDF\xF7\xB5"
              "AZ");
    std::string ascii =
        "\xE9"
        "az";
    UpperCaseInPlace(ascii, pmuAscii);
    EXPECT_EQ(ascii,
              "\xE9"
              "AZ");
    std::string user = "abc";
    UpperCaseInPlace(user, pmuUserDefined);  // none installed: ASCII
    EXPECT_EQ(user, "ABC");
    SetUserUpperCase([](std::string& s) { s = "!" + s; });
    UpperCaseInPlace(user, pmuUserDefined);
    EXPECT_EQ(user, "!ABC");
    SetUserUpperCase(nullptr);
}

TEST(MarkMemoTypes, FormatCodes) {
    uint8_t style = 0;
    EXPECT_TRUE(ApplyFormatCode(style, fcBold));
    EXPECT_TRUE(ApplyFormatCode(style, fcUnderline));
    EXPECT_FALSE(ApplyFormatCode(style, 'x'));
    EXPECT_FALSE(ApplyFormatCode(style, fcTab));
    EXPECT_EQ(style, msBold | msUnderline);
    EXPECT_EQ(AdvanceStaticStyle(0, "\x01\x03\x04\x03"), msItalic | msAltFont);
    TAttributeRec dyn;
    dyn.Style = msDynamic | msItalic;
    EXPECT_EQ(EffectiveStyle(dyn, msBold, msUnderline), msDynamic | msItalic);
    TAttributeRec plain;
    EXPECT_EQ(EffectiveStyle(plain, msBold | msHighlight, msBold | msItalic),
              msItalic | msHighlight);
}
