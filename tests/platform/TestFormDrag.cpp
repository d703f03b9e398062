// Drags over Qt: the in-process drag between two controls driven by mouse events through the
// window system (target under the cursor, drop, Escape), the desktop drop target of a control,
// and the overlay laid over a control.
#include <gtest/gtest.h>

#include "QtTestApplication.h"

#include <QApplication>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>

#include "platform/DesktopDrag.h"
#include "platform/FormDrag.h"
#include "platform/Overlay.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "platform/qt/Cursors.h"

#include <string>
#include <vector>

namespace {

// A control that takes drags and says what reached it.
class Target : public TCustomControl, public TFormDragTarget, public TDesktopDropTarget {
public:
    explicit Target(bool accept) : accept_(accept) { RegisterFormDragTarget(*this, *this); }
    ~Target() override { UnregisterFormDragTarget(*this); }
    std::vector<std::string> log;
    PDataObject data;

    void FormDragOver(TObject*, TPoint pos, TDragState state, bool& accept) override {
        static const char* names[] = {"enter", "leave", "move"};
        log.push_back(std::string(names[state]) + "(" + std::to_string(pos.X) + "," +
                      std::to_string(pos.Y) + ")");
        accept = accept_;
    }
    void FormDragDrop(TObject*, TPoint pos) override {
        log.push_back("drop(" + std::to_string(pos.X) + "," + std::to_string(pos.Y) + ")");
    }
    int DesktopDragEnter(const PDataObject& d, TShiftState, TPoint pos, int allowed) override {
        data = d;
        log.push_back("denter(" + std::to_string(pos.X) + "," + std::to_string(pos.Y) + ")");
        return accept_ ? (allowed & DROPEFFECT_COPY) : DROPEFFECT_NONE;
    }
    int DesktopDragOver(TShiftState, TPoint, int allowed) override {
        log.push_back("dover");
        return accept_ ? (allowed & DROPEFFECT_COPY) : DROPEFFECT_NONE;
    }
    void DesktopDragLeave() override { log.push_back("dleave"); }
    int DesktopDrop(const PDataObject& d, TShiftState keys, TPoint, int allowed) override {
        data = d;
        log.push_back(std::string("ddrop") + ((keys & ssCtrl) ? "+ctrl" : ""));
        return accept_ ? (allowed & DROPEFFECT_COPY) : DROPEFFECT_NONE;
    }

private:
    bool accept_;
};

QWidget* Viewport(TCustomControl& control) {
    for (QWidget* w : HostWidget(control)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!qobject_cast<QScrollBar*>(w)) return w;
    return nullptr;
}

// Sends a mouse event to the control's client area at a client point.
void Mouse(TCustomControl& control, QEvent::Type type, TPoint p) {
    QWidget* viewport = Viewport(control);
    const QPoint local(p.X, p.Y);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(local), QPointF(viewport->mapToGlobal(local)), button, held,
                  Qt::NoModifier);
    QApplication::sendEvent(viewport, &e);
}

class DragWindow : public ::testing::Test {
protected:
    DragWindow() {
        NeedApplication();
        auto* layout = new QHBoxLayout(&window);
        layout->addWidget(HostWidget(left));
        layout->addWidget(HostWidget(right));
        window.resize(400, 200);
        window.show();
        QApplication::processEvents();
    }
    ~DragWindow() override { CancelFormDrag(); }
    Target left{true}, right{false};
    QWidget window;
};

}  // namespace

TEST_F(DragWindow, MovesFindTheControlUnderTheCursorAndTheReleaseDrops) {
    bool ended = false;
    TFormDragResult result;
    ASSERT_TRUE(BeginFormDrag(right, nullptr, [&](const TFormDragResult& r) {
        ended = true;
        result = r;
    }));
    EXPECT_FALSE(BeginFormDrag(left, nullptr, nullptr)) << "one drag at a time";
    Mouse(right, QEvent::MouseMove, {10, 10});
    EXPECT_EQ(FormDragTarget(), &right);
    EXPECT_FALSE(FormDragAccepted());
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), ToQCursor(crNoDrop).shape());
    Mouse(left, QEvent::MouseMove, {20, 30});
    EXPECT_EQ(FormDragTarget(), &left);
    EXPECT_TRUE(FormDragAccepted());
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), ToQCursor(crDrag).shape());
    Mouse(left, QEvent::MouseMove, {25, 30});
    EXPECT_EQ(right.log.front(), "enter(10,10)");
    EXPECT_EQ(right.log.back().substr(0, 5), "leave");
    Mouse(left, QEvent::MouseButtonRelease, {25, 30});
    EXPECT_EQ(left.log, (std::vector<std::string>{"enter(20,30)", "move(25,30)", "move(25,30)",
                                                  "drop(25,30)"}));
    EXPECT_TRUE(ended);
    EXPECT_TRUE(result.Dropped);
    EXPECT_EQ(result.Target, &left);
    EXPECT_EQ(result.Pos, (TPoint{25, 30}));
    EXPECT_FALSE(FormDragActive());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(DragWindow, EscapeCancelsAndOtherInputWaits) {
    bool dropped = true;
    ASSERT_TRUE(
        BeginFormDrag(left, nullptr, [&](const TFormDragResult& r) { dropped = r.Dropped; }));
    Mouse(left, QEvent::MouseMove, {5, 5});
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QApplication::sendEvent(HostWidget(left), &other);
    EXPECT_TRUE(FormDragActive());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(HostWidget(left), &escape);
    EXPECT_FALSE(FormDragActive());
    EXPECT_FALSE(dropped);
    EXPECT_EQ(left.log.back().substr(0, 5), "leave");
    // Mouse input reaches the controls again.
    Mouse(left, QEvent::MouseMove, {6, 6});
    EXPECT_EQ(left.log.back().substr(0, 5), "leave");
}

TEST_F(DragWindow, AReleaseOutsideTheProgramDropsNothing) {
    bool ended = false, dropped = true;
    ASSERT_TRUE(BeginFormDrag(right, nullptr, [&](const TFormDragResult& r) {
        ended = true;
        dropped = r.Dropped;
    }));
    Mouse(left, QEvent::MouseMove, {20, 30});
    ASSERT_TRUE(FormDragAccepted());
    // The next move comes with the button up: it was released somewhere else.
    QWidget* viewport = Viewport(left);
    QMouseEvent moved(QEvent::MouseMove, QPointF(40, 30),
                      QPointF(viewport->mapToGlobal(QPoint(40, 30))), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport, &moved);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(dropped);
    EXPECT_EQ(left.log.back().substr(0, 5), "leave");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(DragWindow, DesktopDropsReachARegisteredControl) {
    EXPECT_FALSE(AcceptsDesktopDrops(left));
    SetDesktopDropTarget(left, &left);
    EXPECT_TRUE(AcceptsDesktopDrops(left));
    EXPECT_TRUE(HostWidget(left)->acceptDrops());
    QMimeData mime;
    mime.setText("dropped");
    mime.setData("application/x-other-program", "private");
    const QPoint at = Viewport(left)->mapTo(HostWidget(left), QPoint(12, 7));
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(HostWidget(left), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    ASSERT_TRUE(left.data);
    EXPECT_EQ(left.data->GetData(StandardFormatUnicodeText).value_or(""), "dropped");
    const TClipFormat other = RegisterClipboardFormatName("application/x-other-program");
    EXPECT_TRUE(left.data->HasFormat(other)) << "an unknown type is listed by a number of its own";
    EXPECT_EQ(left.data->GetData(other).value_or(""), "private");
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                    Qt::ControlModifier);
    QApplication::sendEvent(HostWidget(left), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(left.log, (std::vector<std::string>{"denter(12,7)", "ddrop+ctrl"}));

    // A control that refuses: the drop is not taken.
    SetDesktopDropTarget(right, &right);
    QDropEvent refused(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(HostWidget(right), &refused);
    EXPECT_FALSE(refused.isAccepted());
    SetDesktopDropTarget(left, nullptr);
    SetDesktopDropTarget(right, nullptr);
    EXPECT_FALSE(AcceptsDesktopDrops(left));
    EXPECT_FALSE(HostWidget(left)->acceptDrops());
}

TEST_F(DragWindow, AnOverlayLiesOverTheControlAndLetsTheMouseThrough) {
    std::vector<uint32_t> pixels(20 * 10, 0x800000FFu);
    {
        TOverlay overlay(left);
        overlay.SetPicture(20, 10, pixels.data());
        overlay.MoveTo({30, 40});
        overlay.SetVisible(true);
        QApplication::processEvents();
        QWidget* shown = nullptr;
        for (QWidget* w : HostWidget(left)->findChildren<QWidget*>())
            if (w->testAttribute(Qt::WA_TransparentForMouseEvents)) shown = w;
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(shown->isVisible());
        const TRect client = left.ClientOrigin();
        EXPECT_EQ(shown->geometry(), QRect(client.Left + 30, client.Top + 40, 20, 10));
        EXPECT_EQ(overlay.Position(), (TPoint{30, 40}));
        overlay.SetVisible(false);
        EXPECT_FALSE(shown->isVisible());
    }
    for (QWidget* w : HostWidget(left)->findChildren<QWidget*>())
        EXPECT_FALSE(w->testAttribute(Qt::WA_TransparentForMouseEvents)) << "gone with it";
}

TEST_F(DragWindow, ADesktopDragCarriesTheDataAndEndsWithEscape) {
    auto data = std::make_shared<TMemoryDataObject>();
    data->SetData(StandardFormatUnicodeText, "dragged");
    std::vector<uint32_t> pixels(8 * 4, 0xFF336699u);
    TDragPicture picture{8, 4, pixels.data(), {2, 1}};
    // The drag runs its own loop (where the platform has one); Escape ends it without a drop.
    QWidget* host = HostWidget(left);
    QTimer::singleShot(50, host, [host] {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(host, &escape);
    });
    EXPECT_EQ(RunDesktopDrag(left, data, DROPEFFECT_COPY | DROPEFFECT_MOVE, &picture),
              DROPEFFECT_NONE);

    // A test's runner stands in for the desktop's drag.
    int seen = 0;
    SetDesktopDragRunner(
        [&](TCustomControl& source, const PDataObject& d, int allowed, const TDragPicture* p) {
            EXPECT_EQ(&source, &left);
            EXPECT_EQ(d->GetData(StandardFormatUnicodeText).value_or(""), "dragged");
            EXPECT_EQ(p, &picture);
            seen = allowed;
            return DROPEFFECT_COPY;
        });
    EXPECT_EQ(RunDesktopDrag(left, data, DROPEFFECT_COPY, &picture), DROPEFFECT_COPY);
    EXPECT_EQ(seen, DROPEFFECT_COPY);
    SetDesktopDragRunner(nullptr);
}
