#include <clocale>

#include "ReportFixture.h"
#include "ScriptedMessages.h"

using Job = ReportTest;

TEST_F(Job, SelectionLanguage) {
    TPrintReport r;
    auto pages = [&](const std::string& sel) {
        r.Selection = sel;
        std::string out;
        for (int p = 1; p <= 7; ++p)
            if (r.PageInSelection(p)) out += char('0' + p);
        return out;
    };
    EXPECT_EQ(pages(""), "1234567");
    EXPECT_EQ(pages("2-3,6"), "236");
    EXPECT_EQ(pages("-2"), "12");
    EXPECT_EQ(pages("5-"), "567");
    EXPECT_EQ(pages("even"), "246");
    EXPECT_EQ(pages("E"), "246");
    EXPECT_EQ(pages("Odd"), "1357");
    EXPECT_EQ(pages("R"), "");
    EXPECT_EQ(pages("all"), "1234567");
    EXPECT_EQ(pages("1,r,7"), "17");
    EXPECT_THROW(pages("x"), EConvertError);
    r.Selection.clear();
    r.FirstPage = 2;
    r.LastPage = 3;
    EXPECT_EQ(pages(""), "23");
}

TEST_F(Job, StatusMacros) {
    TPrintReport r;
    EXPECT_EQ(r.ExpandStatusFormat(), "");  // no label, nothing to do
    std::string shown;
    r.StatusLabel = [&](const std::string& s) { shown = s; };
    r.StatusText = {"zero", "one"};
    r.FirstPage = 3;
    r.StatusFormat = "%p of %l from %f; %c/%s %d %r %t %1%9 100%% %x%n end %";
    EXPECT_EQ(r.ExpandStatusFormat(),
              "0 of 9999 from 3; 1/1 Recorder rec mem: one 100% <ERROR-%X>\r end %");
    EXPECT_EQ(shown, "0 of 9999 from 3; 1/1 Recorder rec mem: one 100% <ERROR-%X>\r end %");
    r.StatusFormat = "%%p";  // replacements are not read again
    EXPECT_EQ(r.ExpandStatusFormat(), "%p");
    TPrintReport d;
    EXPECT_EQ(d.StatusFormat, "Printing page %p");
}

TEST_F(Job, PageByPageEventsRunInOrder) {
    TPrintReport r;
    std::vector<std::string> ev;
    r.OnBeforePrint = [&](TBaseReport&) { ev.push_back("before"); };
    r.OnNewPage = [&](TBaseReport& b) { ev.push_back("new" + std::to_string(b.CurrentPage())); };
    r.OnPrintHeader = [&](TBaseReport&) { ev.push_back("header"); };
    r.OnPrintFooter = [&](TBaseReport&) { ev.push_back("footer"); };
    r.OnAfterPrint = [&](TBaseReport&) { ev.push_back("after"); };
    r.OnPrintPage = [&](TBaseReport&, int& page) {
        ev.push_back("page" + std::to_string(page));
        return page < 3;
    };
    r.AddPageHook(0, [&](TBaseReport&) { ev.push_back("start-hook"); });
    r.AddPageHook(1, [&](TBaseReport&) { ev.push_back("end-hook"); });
    r.Execute();
    EXPECT_EQ(
        ev, (std::vector<std::string>{"before",   "start-hook", "new1", "header", "page1", "footer",
                                      "end-hook", "start-hook", "new2", "header", "page2", "footer",
                                      "end-hook", "start-hook", "new3", "header", "page3", "footer",
                                      "end-hook", "after"}));
    EXPECT_EQ(dev->Calls("StartDoc"), std::vector<std::string>{"StartDoc Print Report"});
    EXPECT_EQ(dev->PagesOut, 3);
    EXPECT_FALSE(r.Printing());
    EXPECT_FALSE(dev->Printing());

    // A handler that answers False at once gives one page.
    TPrintReport one;
    one.OnPrintPage = [](TBaseReport&, int&) { return false; };
    dev->PagesOut = 0;
    one.Execute();
    EXPECT_EQ(dev->PagesOut, 1);
}

TEST_F(Job, SelectedPagesAloneReachTheDevice) {
    TPrintReport r;
    r.Selection = "2-3,6";
    int laidOut = 0;
    r.OnPrintPage = [&](TBaseReport& b, int& page) {
        ++laidOut;
        b.PrintLn("page " + std::to_string(page));
        return page < 7;
    };
    r.Execute();
    EXPECT_EQ(laidOut, 7);
    EXPECT_EQ(dev->Calls("NewPageOutput"),
              (std::vector<std::string>{"NewPageOutput 0", "NewPageOutput 1", "NewPageOutput 1",
                                        "NewPageOutput 0", "NewPageOutput 0", "NewPageOutput 1",
                                        "NewPageOutput 0"}));
    auto texts = dev->Calls("Text");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_NE(texts[0].find("[page 2]"), std::string::npos);
    EXPECT_NE(texts[2].find("[page 6]"), std::string::npos);
}

TEST_F(Job, UnitsAndMargins) {
    TPrintReport r;
    r.SetUnitsFactor(25.4);
    EXPECT_EQ(r.Units(), unMM);
    r.SetUnitsFactor(10.0);
    EXPECT_EQ(r.Units(), unUser);
    r.SetUnitsFactor(0);
    EXPECT_EQ(r.UnitsFactor(), 10.0);
    r.SetUnits(unPoint);
    EXPECT_EQ(r.UnitsFactor(), 72.0);
    r.SetUnits(unInch);

    r.SetMarginRight(0.3);
    EXPECT_DOUBLE_EQ(r.SectionRight(), 8.2);
    EXPECT_DOUBLE_EQ(r.GetMarginRight(), 0.3);
    r.SetMarginLeft(0.3);
    r.SetMarginTop(0.5);
    r.SetMarginBottom(0.5);
    EXPECT_DOUBLE_EQ(r.SectionBottom(), 10.5);
    EXPECT_DOUBLE_EQ(r.PageWidth(), 8.5);
    // Units change later: the margins stay where they are.
    r.SetUnits(unMM);
    EXPECT_NEAR(r.SectionLeft(), 7.62, 1e-9);
    EXPECT_NEAR(r.GetMarginLeft(), 7.62, 1e-9);
    EXPECT_NEAR(r.PageWidth(), 215.9, 1e-9);
    r.SetScaleX(0);
    r.SetScaleY(-5);
    EXPECT_EQ(r.ScaleX(), 100);
    EXPECT_EQ(r.ScaleY(), 100);
    r.SetLinesPerInch(0);
    EXPECT_EQ(r.LinesPerInch(), 6);
}

TEST_F(Job, LandscapeKeepsMarginsFromTheTurnedEdges) {
    TPrintReport r;
    r.SetMarginRight(0.5);
    r.SetMarginBottom(1);
    r.SetOrientation(poLandScape);
    EXPECT_EQ(dev->GetOrientation(), 1);
    EXPECT_DOUBLE_EQ(r.PageWidth(), 11);
    EXPECT_DOUBLE_EQ(r.SectionRight(), 10.5);
    EXPECT_DOUBLE_EQ(r.SectionBottom(), 7.5);
}

TEST_F(Job, ErrorTextsOutsideAndInsideAJob) {
    TranslateHook = [](const std::string& s) { return "<" + s + ">"; };
    TPrintReport r;
    EXPECT_EQ(ErrorText([&] { r.PrintLn("x"); }),
              "<Invalid method call.  PrintReport is not printing.>");
    EXPECT_EQ(ErrorText([&] { r.Canvas(); }), "<Error!  Canvas not yet active.>");
    EXPECT_EQ(ErrorText([&] { r.NewPage(); }),
              "<Invalid method call.  PrintReport is not printing.>");
    EXPECT_EQ(ErrorText([&] { r.FloodFill(1, 1, clBlack, 0); }),
              "<Invalid method call.  PrintReport is not printing.>");
    std::string inside;
    r.OnPrint = [&](TBaseReport& b) {
        inside = ErrorText([&] { b.SetCopies(2); }) + "|" + ErrorText([&] { b.RecalcPage(); }) +
                 "|" + ErrorText([&] { b.Start(); });
    };
    r.Execute();
    EXPECT_EQ(inside,
              "<Invalid method call.  PrintReport already printing.>|<Invalid method call.  "
              "PrintReport already "
              "printing.>|<Invalid method call.  PrintReport already printing.>");
    r.SetCopies(4);
    EXPECT_EQ(dev->GetCopies(), 4);
}

TEST_F(Job, WithoutAPrinterTheMessageAppearsOnceAndNothingRuns) {
    SetGlobalDevice(std::make_unique<TRPPrinterDevice>(nullptr));
    ScriptedMessages messages;
    TPrintReport r;
    bool body = false, after = false;
    r.OnPrint = [&](TBaseReport&) { body = true; };
    r.OnAfterPrint = [&](TBaseReport&) { after = true; };
    r.Execute();
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"No printers are defined, aborting print job."});
    EXPECT_FALSE(body);
    EXPECT_FALSE(after);
    EXPECT_DOUBLE_EQ(r.PageWidth(), 8.5);
    EXPECT_DOUBLE_EQ(r.PageHeight(), 11);
    dev = nullptr;
}

TEST_F(Job, AFailingJobAbortsTheDocumentAndTheNextJobPrints) {
    TPrintReport r;
    bool after = false;
    r.OnAfterPrint = [&](TBaseReport&) { after = true; };
    r.OnPrint = [&](TBaseReport& b) {
        b.PushFont();
        b.PushPos();
        b.PrintLn("before failing");
        throw std::runtime_error("body failed");
    };
    EXPECT_EQ(ErrorText([&] { r.Execute(); }), "body failed");
    EXPECT_FALSE(r.Printing());
    EXPECT_FALSE(dev->Printing());
    EXPECT_FALSE(after);
    EXPECT_EQ(dev->Calls("AbortDoc").size(), 1u);
    EXPECT_FALSE(r.PopPos());
    EXPECT_FALSE(r.PopFont());

    // A device that fails while ending the document leaves the engine usable too.
    dev->FailOn = "EndDoc";
    r.OnPrint = [](TBaseReport& b) { b.PrintLn("x"); };
    EXPECT_THROW(r.Execute(), std::runtime_error);
    EXPECT_FALSE(r.Printing());
    dev->FailOn.clear();
    r.Execute();
    EXPECT_TRUE(after);
    EXPECT_EQ(dev->Log.back(), "EndDoc");
}

// What the abort of a failed job could not drop (a queue's job left held) is told after the
// job's failure.
TEST_F(Job, WhatTheAbortLeavesIsToldWithTheFailure) {
    TPrintReport r;
    r.OnPrint = [](TBaseReport& b) {
        b.PrintLn("x");
        RaiseError("body failed");
    };
    dev->FailOn = "AbortDoc";
    EXPECT_EQ(ErrorText([&] { r.Execute(); }), "body failed\rdevice failure: AbortDoc");
    EXPECT_FALSE(r.Printing());
    dev->FailOn.clear();
    EXPECT_EQ(ErrorText([&] { r.Execute(); }), "body failed");
}

TEST_F(Job, AbortedPagesAndTheOutputChoiceDecideWhatReachesThePrinter) {
    TPrintReport r;
    EXPECT_NE(ErrorText([&] { r.AbortPage(); }), "no error") << "only while printing";
    EXPECT_EQ(r.DestinationCode(), 0);
    std::vector<bool> output;
    r.OnPrint = [&](TBaseReport& b) {
        b.AbortPage();
        EXPECT_TRUE(b.NoOutput());
        EXPECT_EQ(b.CurrentPage(), 0);
        b.AbortPage();  // already dropped: counted once
        EXPECT_EQ(b.CurrentPage(), 0);
        b.NewPage();
        b.OutputOtherOnly();
        output.push_back(b.PageIsOutput());
        b.OutputPrinterOnly();
        output.push_back(b.PageIsOutput());
        b.OutputOtherOnly();
        b.OutputBoth();
        output.push_back(b.PageIsOutput());
    };
    r.Execute();
    EXPECT_EQ(output, (std::vector<bool>{false, true, true}));
}

TEST_F(Job, BrushAndBackgroundGoToTheCanvas) {
    TPrintReport r;
    EXPECT_NE(ErrorText([&] { r.SetBKColor(clRed); }), "no error") << "only while printing";
    TBitmap pattern(8, 8);
    r.OnPrint = [&](TBaseReport& b) {
        b.SetBKColor(clRed);
        EXPECT_EQ(b.Canvas().BkColor(), clRed);
        b.SetBrush(clBlue, TBrushStyle::bsCross, nullptr);
        EXPECT_EQ(b.Canvas().Brush().Color(), clBlue);
        EXPECT_EQ(b.Canvas().Brush().Style(), TBrushStyle::bsCross);
        b.SetBrush(clGreen, TBrushStyle::bsSolid, &pattern);
        EXPECT_EQ(b.Canvas().Brush().Color(), clGreen);
        b.SetTextBKMode(bkOpaque);
        EXPECT_EQ(b.TextBKMode(), bkOpaque);
    };
    r.Execute();
}
