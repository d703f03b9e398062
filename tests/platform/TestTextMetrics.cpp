// The text measurers: the fixed one the layout tests use and the screen one over Qt's fonts.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFont>
#include <QFontInfo>

#include "platform/TextMetrics.h"
#include "platform/qt/Application.h"

namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_platform";
    static char* argv[] = {name, nullptr};
    // One application object per process; other tests of this program may have made one.
    if (!QCoreApplication::instance()) new LorvaneApplication(argc, argv);
}

// The font the screen tests measure (scripts/deps.sh installs it).
const char* const kTestFont = "Liberation Sans";

// Whether the desktop has the font itself rather than a substitute.
bool FontInstalled(const char* family) {
    EnsureApplication();
    return QFontInfo(QFont(QString::fromLatin1(family)))
               .family()
               .compare(QString::fromLatin1(family), Qt::CaseInsensitive) == 0;
}

std::string MissingFont() {
    return std::string(kTestFont) + " is not installed (scripts/deps.sh installs it); " +
           "measuring a substitute would test another font";
}

}  // namespace

TEST(TextMetrics, FixedMeasurerAddsUpItsAdvance) {
    auto measurer = CreateFixedTextMeasurer(7, 15, 3);
    auto font = measurer->Font(TFont(), fsBold);
    EXPECT_EQ(font->TextWidth("abc\t"), 28);
    EXPECT_EQ(font->SpaceWidth(), 7);
    EXPECT_EQ(font->Overhang(), 0);
    EXPECT_EQ(font->Metric().Height, 15);
    EXPECT_EQ(font->Metric().Ascent, 12);
    EXPECT_TRUE(font->Metric().FixedPitch);
}

TEST(TextMetrics, ControlBytesHaveVisibleGlyphs) {
    EXPECT_EQ(DisplayCharOf(1), u'\u2401');
    EXPECT_EQ(DisplayCharOf(0), u'\u2400');
    EXPECT_EQ(DisplayCharOf(0x7F), u'\u2421');
    EXPECT_EQ(DisplayCharOf(0x81), u'\u25A1');
    EXPECT_EQ(DisplayCharOf(0x80), u'\u20AC');
    EXPECT_EQ(DisplayCharOf('A'), u'A');
}

TEST(TextMetrics, ScreenRunsAreTheSumOfTheirCharacters) {
    if (!FontInstalled(kTestFont)) GTEST_SKIP() << MissingFont();
    auto measurer = CreateScreenTextMeasurer();
    TFont font;
    font.SetName(kTestFont);
    font.SetHeight(-13);
    auto plain = measurer->Font(font, 0);
    auto bold = measurer->Font(font, fsBold);
    EXPECT_EQ(measurer->Font(font, 0), plain);  // cached per font and style
    const std::string run = "AVAWAY To. fi\xE9";
    EXPECT_EQ(plain->TextWidth(run), [&] {
        int sum = 0;
        for (unsigned char c : run) sum += plain->Advance(c);
        return sum;
    }());
    EXPECT_GT(plain->Advance('W'), plain->Advance('i'));
    EXPECT_GE(bold->TextWidth("WWWW"), plain->TextWidth("WWWW"));
    // Drawn a run at a time, text ends where its characters' advances add up to: painters
    // that place the next run at that sum leave no gap and no overlap.
    for (const auto& measured : {plain, bold})
        for (const std::string text : {"Description:Articles written by volunteers",
                                       "Access Count:1,234 Last Access:Nov 12, 26"})
            EXPECT_EQ(measured->RunExtent(text), measured->TextWidth(text)) << text;
    // control bytes are drawn as cells, so they take room
    EXPECT_GT(plain->Advance(1), 0);
    EXPECT_GT(plain->Advance(0x81), 0);
    const TTextMetric& m = plain->Metric();
    EXPECT_EQ(m.Height, m.Ascent + m.Descent);
    EXPECT_GE(m.InternalLeading, 0);
    EXPECT_GT(m.MaxCharWidth, 0);
    EXPECT_GT(plain->SpaceWidth(), 0);
}

TEST(TextMetrics, ScreenFontsReadHeightsAsTheCanvasDraws) {
    if (!FontInstalled(kTestFont)) GTEST_SKIP() << MissingFont();
    auto measurer = CreateScreenTextMeasurer();
    // a positive height is the cell height, a negative one the character height; the canvas
    // draws a 20-pixel cell with 16-pixel characters, so that is what must be measured
    TFont cell;
    cell.SetName(kTestFont);
    cell.SetHeight(20);
    TFont character = cell;
    character.SetHeight(-16);
    auto a = measurer->Font(cell, 0);
    auto b = measurer->Font(character, 0);
    EXPECT_EQ(a->Advances(), b->Advances());
    EXPECT_EQ(a->Metric().Height, b->Metric().Height);
    EXPECT_EQ(a->Metric().Ascent, b->Metric().Ascent);
}

TEST(TextMetrics, AFixedPitchFontMeasuresEveryLetterAlike) {
    const char* mono = "Liberation Mono";
    if (!FontInstalled(mono)) GTEST_SKIP() << mono << " is not installed (scripts/deps.sh)";
    auto measurer = CreateScreenTextMeasurer();
    TFont font;
    font.SetName(mono);
    font.SetHeight(-13);
    auto measured = measurer->Font(font, 0);
    EXPECT_TRUE(measured->Metric().FixedPitch);
    EXPECT_EQ(measured->Advance('W'), measured->Advance('i'));
    EXPECT_EQ(measured->TextWidth("WWii"), 4 * measured->Advance('m'));
}
