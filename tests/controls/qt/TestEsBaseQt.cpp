// The calendar library's widget shell: the attached label among Qt widgets, and the month
// calendar's wheel through the Qt host.
#include "EsBaseQt.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QWidget>

#include <platform/qt/ControlHost.h>

#include "EsCal.h"
#include "EsLabel.h"
#include "QtTestForm.h"

namespace {

TEST(EsWidgetLabelSite, TheLabelJoinsTheParentWidgetAndFollowsTheControl) {
    QWidget parent;
    parent.resize(400, 300);
    TEsCalendar calendar;
    calendar.Name = "Cal";
    calendar.SetLabelSite(EsWidgetLabelSite(calendar));
    calendar.EsLabelInfo().SetVisible(true);
    EXPECT_EQ(calendar.EsLabelInfo().Label(), nullptr) << "no parent widget yet";

    HostWidget(calendar)->setParent(&parent);
    calendar.SetBounds(20, 60, 200, 140);
    parent.show();
    calendar.EsLabelInfo().SetVisible(true);
    TEsAttachedLabel* label = calendar.EsLabelInfo().Label();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(HostWidget(*label)->parentWidget(), &parent);
    EXPECT_EQ(label->Left(), 20);
    EXPECT_EQ(label->Top() + label->Height(), 60);

    HostWidget(calendar)->move(50, 100);
    QApplication::processEvents();
    EXPECT_EQ(label->Left(), 50);
    EXPECT_EQ(label->Top() + label->Height(), 100);
}

TEST(EsCalendarOverQt, ASidewaysSwipeDoesNotStepTheMonth) {
    QWidget window;
    TEsCalendar calendar;
    calendar.SetDate(EncodeDate(2024, 3, 15));
    QWidget* host = HostWidget(calendar);
    host->setParent(&window);
    window.show();
    QWidget* viewport = host->childAt(host->width() / 2, host->height() / 2);
    ASSERT_NE(viewport, nullptr);
    SendWheel(viewport, {120, 0});
    SendWheel(viewport, {-240, 0});
    EXPECT_EQ(calendar.Date(), EncodeDate(2024, 3, 15));
    SendWheel(viewport, {0, 120});
    EXPECT_EQ(calendar.Date(), EncodeDate(2024, 2, 15));
}

}  // namespace
