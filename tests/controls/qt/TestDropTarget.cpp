// The drop targets' widget binding: a widget's drag events reach a URL target.
#include "DropTargetQt.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include "DropTexts.h"
#include "DropURLTarget.h"
#include "platform/Exceptions.h"

namespace {

struct DropWidget : ::testing::Test {
    QWidget window;
    QWidget* pane = new QWidget(&window);
    TDropURLTarget target;
    std::vector<std::string> seen;
    DropWidget() {
        window.setObjectName("MainForm");
        pane->setObjectName("Pane");
        target.OnDrop = [this](TObject*, TShiftState, TPoint, int& effect) {
            seen.push_back(target.URL + "|" + target.Title + "|" + std::to_string(effect));
        };
    }
    // Sends a drag in and drops it; returns whether each step was accepted.
    std::pair<bool, bool> DragAndDrop(QWidget* w, const QMimeData& mime, Qt::DropActions actions,
                                      Qt::DropAction* chosen = nullptr) {
        QDragEnterEvent enter(QPoint(5, 5), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &enter);
        QDropEvent drop(QPointF(5, 5), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &drop);
        if (chosen) *chosen = drop.dropAction();
        return {enter.isAccepted(), drop.isAccepted()};
    }
};

TEST_F(DropWidget, DropsReachOnDropAfterTheDropCompletes) {
    RegisterDropTarget(target, &window);
    EXPECT_TRUE(window.acceptDrops());
    QMimeData mime;
    mime.setData(kMimeMozUrl, QByteArray::fromStdString(Utf16("http://ff/\nFox")));
    mime.setText("http://ff/");
    Qt::DropAction chosen = Qt::IgnoreAction;
    // A session without a link action: the copy stands in for it.
    EXPECT_EQ(DragAndDrop(&window, mime, Qt::CopyAction | Qt::MoveAction, &chosen),
              std::make_pair(true, true));
    EXPECT_EQ(chosen, Qt::CopyAction);
    EXPECT_TRUE(seen.empty());  // queued behind the drop
    QApplication::processEvents();
    EXPECT_EQ(seen, (std::vector<std::string>{"http://ff/|Fox|4"}));
    EXPECT_EQ(target.URL, "");

    DragAndDrop(&window, mime, Qt::CopyAction | Qt::LinkAction, &chosen);
    EXPECT_EQ(chosen, Qt::LinkAction);
    QApplication::processEvents();
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(DropWidget, RefusedDropsNeverReachTheHandler) {
    RegisterDropTarget(target, &window);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile("/nonexistent/notes.txt")});
    EXPECT_EQ(DragAndDrop(&window, mime, Qt::CopyAction), std::make_pair(true, false));
    QMimeData image;
    image.setData("image/png", "x");
    EXPECT_EQ(DragAndDrop(&window, image, Qt::CopyAction).first, false);
    QApplication::processEvents();
    EXPECT_TRUE(seen.empty());
}

TEST_F(DropWidget, RegistrationRules) {
    RegisterDropTarget(target, &window);
    RegisterDropTarget(target, &window);  // the bound widget: nothing happens
    EXPECT_TRUE(target.Registered());
    RegisterDropTarget(target, pane);  // another widget: the first is let go
    EXPECT_FALSE(window.acceptDrops());
    EXPECT_TRUE(pane->acceptDrops());
    EXPECT_EQ(DropTargetWidget(target), pane);

    TDropURLTarget second;
    try {
        RegisterDropTarget(second, pane);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Failed to Register Pane");
    }
    EXPECT_NO_THROW(second.Unregister());

    target.Unregister();
    EXPECT_FALSE(pane->acceptDrops());
    QMimeData mime;
    mime.setText("http://x/");
    DragAndDrop(pane, mime, Qt::CopyAction);
    QApplication::processEvents();
    EXPECT_TRUE(seen.empty());
    EXPECT_NO_THROW(RegisterDropTarget(second, pane));  // free again
}

TEST_F(DropWidget, RefusedRegistrationBindsNothingAndCanBeRetried) {
    RegisterDropTarget(target, pane);
    TDropURLTarget second;
    EXPECT_THROW(RegisterDropTarget(second, pane), Exception);
    EXPECT_FALSE(second.Registered());
    EXPECT_EQ(DropTargetWidget(second), nullptr);
    EXPECT_THROW(RegisterDropTarget(second, pane),
                 Exception);  // still refused, not taken for bound
    target.Unregister();
    RegisterDropTarget(second, pane);  // no Unregister in between: the retry must really register
    EXPECT_TRUE(second.Registered());
    EXPECT_TRUE(pane->acceptDrops());
    second.OnDrop = [&](TObject*, TShiftState, TPoint, int&) { seen.push_back(second.URL); };
    QMimeData mime;
    mime.setText("http://again/");
    EXPECT_TRUE(DragAndDrop(pane, mime, Qt::CopyAction).second);
    QApplication::processEvents();
    EXPECT_EQ(seen, (std::vector<std::string>{"http://again/"}));
}

TEST_F(DropWidget, DestroyedWidgetReleasesTheTarget) {
    auto* doomed = new QWidget(&window);
    RegisterDropTarget(target, doomed);
    delete doomed;
    EXPECT_FALSE(target.Registered());
    EXPECT_EQ(DropTargetWidget(target), nullptr);
    EXPECT_NO_THROW(RegisterDropTarget(target, pane));
}

TEST_F(DropWidget, ScrollAreaScrollsNearItsEdges) {
    QScrollArea area;
    auto* inner = new QWidget;
    inner->resize(200, 2000);
    area.setWidget(inner);
    area.resize(200, 100);
    area.show();
    RegisterDropTarget(target, &area);
    QMimeData mime;
    mime.setText("http://s/");
    QWidget* viewport = area.viewport();
    QDragEnterEvent enter(QPoint(10, viewport->height() - 2), Qt::CopyAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(QPoint(10, viewport->height() - 2), Qt::CopyAction, &mime, Qt::LeftButton,
                        Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    ASSERT_TRUE(QTest::qWaitFor([&] { return area.verticalScrollBar()->value() > 0; }, 2000));
    QDragLeaveEvent leave;
    QApplication::sendEvent(viewport, &leave);
}

}  // namespace
