// The proportional form resizer on Qt: widget adapters, the form host and the event filter.
#include "ElastFrmQt.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QWindow>
#include <cstring>

#include "platform/qt/Application.h"

// ---- Screen and fonts -------------------------------------------------------------------

namespace {

QScreen* ScreenOf(const QWidget* w) {
    QScreen* s = w ? w->screen() : nullptr;
    return s ? s : QGuiApplication::primaryScreen();
}

TSize ToSize(const QSize& s) {
    return {s.width(), s.height()};
}

}  // namespace

TSize TQtScreenInfo::AvailableSize() const {
    QScreen* s = ScreenOf(widget_);
    return s ? ToSize(s->availableGeometry().size()) : TSize{1024, 768};
}

int TQtScreenInfo::PixelsPerInch() const {
    QScreen* s = ScreenOf(widget_);
    return s ? qRound(s->logicalDotsPerInchY()) : 96;
}

int WidgetFontHeight(const QWidget* widget) {
    const QFont f = widget->font();
    if (f.pixelSize() > 0) return -f.pixelSize();
    return -std::max(1, qRound(f.pointSizeF() * widget->logicalDpiY() / 72.0));
}

void SetWidgetFontHeight(QWidget* widget, int height) {
    if (height == 0 || WidgetFontHeight(widget) == height) return;
    QFont f = widget->font();
    if (height < 0) {
        f.setPixelSize(-height);
    } else {
        // A positive height is the cell height: take the character part in proportion.
        int px = -WidgetFontHeight(widget);
        int cell = std::max(1, QFontMetrics(f).height());
        f.setPixelSize(std::max(1, qRound(double(height) * px / cell)));
    }
    widget->setFont(f);
}

bool WidgetParentFont(const QWidget* widget) {
    return !widget->testAttribute(Qt::WA_SetFont);
}

void SetWidgetParentFont(QWidget* widget, bool parentFont) {
    if (WidgetParentFont(widget) == parentFont) return;
    if (parentFont) {
        widget->setFont(QFont());  // an empty resolve mask: inherit again
    } else {
        QFont f = widget->font();
        f.setResolveMask(QFont::AllPropertiesResolved);
        widget->setFont(f);
    }
}

// ---- Control adapters -------------------------------------------------------------------

namespace {

TAlign AlignProperty(const QWidget* w) {
    static const struct {
        const char* name;
        TAlign align;
    } names[] = {{"alTop", TAlign::alTop},       {"alBottom", TAlign::alBottom},
                 {"alLeft", TAlign::alLeft},     {"alRight", TAlign::alRight},
                 {"alClient", TAlign::alClient}, {"alCustom", TAlign::alCustom}};
    const QVariant v = w->property("Align");
    if (!v.isValid()) return TAlign::alNone;
    const QByteArray text = v.toString().toLatin1();
    for (const auto& n : names)
        if (text == n.name) return n.align;
    return TAlign::alNone;
}

// Panels of a status bar: its labels of fixed width.
class LabelPanels : public TElasticWidths {
public:
    explicit LabelPanels(QStatusBar* bar) {
        for (QLabel* l : bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (l->minimumWidth() == l->maximumWidth()) labels_.push_back(l);
    }
    int Count() const override { return int(labels_.size()); }
    int Width(int i) const override {
        return labels_[size_t(i)] ? labels_[size_t(i)]->minimumWidth() : 0;
    }
    void SetWidth(int i, int w) override {
        if (labels_[size_t(i)]) labels_[size_t(i)]->setFixedWidth(std::max(0, w));
    }

private:
    std::vector<QPointer<QLabel>> labels_;
};

class HeaderSections : public TElasticWidths {
public:
    explicit HeaderSections(QHeaderView* h) : h_(h) {}
    int Count() const override { return h_ ? h_->count() : 0; }
    int Width(int i) const override { return h_->sectionSize(i); }
    void SetWidth(int i, int w) override { h_->resizeSection(i, std::max(0, w)); }

private:
    QPointer<QHeaderView> h_;
};

class ToolBarButtons : public TElasticToolBar {
public:
    explicit ToolBarButtons(QToolBar* t) : t_(t) {}
    int ButtonWidth() const override { return t_ ? t_->iconSize().width() : 0; }
    int ButtonHeight() const override { return t_ ? t_->iconSize().height() : 0; }
    void SetButtonSize(int w, int h) override {
        if (t_) t_->setIconSize(QSize(std::max(1, w), std::max(1, h)));
    }

private:
    QPointer<QToolBar> t_;
};

class TableGrid : public TElasticGrid {
public:
    explicit TableGrid(QTableView* v) : v_(v) {}
    int ColCount() const override { return v_ && v_->model() ? v_->model()->columnCount() : 0; }
    int RowCount() const override { return v_ && v_->model() ? v_->model()->rowCount() : 0; }
    int DefaultColWidth() const override { return v_->horizontalHeader()->defaultSectionSize(); }
    void SetDefaultColWidth(int w) override {
        v_->horizontalHeader()->setDefaultSectionSize(std::max(1, w));
    }
    int DefaultRowHeight() const override { return v_->verticalHeader()->defaultSectionSize(); }
    void SetDefaultRowHeight(int h) override {
        v_->verticalHeader()->setDefaultSectionSize(std::max(1, h));
    }
    int ColWidth(int c) const override { return v_->columnWidth(c); }
    void SetColWidth(int c, int w) override { v_->setColumnWidth(c, std::max(0, w)); }
    int RowHeight(int r) const override { return v_->rowHeight(r); }
    void SetRowHeight(int r, int h) override { v_->setRowHeight(r, std::max(0, h)); }
    int TextHeight1() const override { return QFontMetrics(v_->font()).height(); }

private:
    QPointer<QTableView> v_;
};

class QtControl : public TElasticControl {
public:
    QtControl(QWidget* w, bool direct) : w_(w), direct_(direct), align_(AlignProperty(w)) {
        if (auto* bar = qobject_cast<QStatusBar*>(w))
            panels_ = std::make_unique<LabelPanels>(bar);
        else if (auto* h = qobject_cast<QHeaderView*>(w))
            sections_ = std::make_unique<HeaderSections>(h);
        else if (auto* t = qobject_cast<QToolBar*>(w))
            toolBar_ = std::make_unique<ToolBarButtons>(t);
        else if (auto* v = qobject_cast<QTableView*>(w))
            grid_ = std::make_unique<TableGrid>(v);
        fonts_ = dynamic_cast<TElasticFontSource*>(w);
    }

    TControlKey Key() const override { return key_; }
    std::string Name() const override { return w_ ? FromQString(w_->objectName()) : std::string(); }
    bool IsDirect() const override { return direct_; }
    TAlign Align() const override { return align_; }
    TControlBounds Bounds() const override {
        if (!w_) return {};
        QRect g = w_->geometry();
        return {g.x(), g.y(), g.width(), g.height()};
    }
    void SetBounds(const TControlBounds& b) override {
        QRect g(b.Left, b.Top, std::max(0, b.Width), std::max(0, b.Height));
        if (w_ && w_->geometry() != g) w_->setGeometry(g);
    }
    // isHidden, not isVisible: every child of a hidden form is invisible.
    bool Visible() const override { return w_ && !w_->isHidden(); }
    void SetVisible(bool v) override {
        if (w_ && w_->isHidden() == v) w_->setVisible(v);
    }
    int FontHeight() const override { return w_ ? WidgetFontHeight(w_) : 0; }
    void SetFontHeight(int h) override {
        if (w_) SetWidgetFontHeight(w_, h);
    }
    bool ParentFont() const override { return !w_ || WidgetParentFont(w_); }
    void SetParentFont(bool p) override {
        if (w_) SetWidgetParentFont(w_, p);
    }
    std::vector<TFont*> ExtraFonts() override {
        return w_ && fonts_ ? fonts_->ExtraFonts() : std::vector<TFont*>();
    }
    TFont* TitleFont() override { return w_ && fonts_ ? fonts_->TitleFont() : nullptr; }
    TFont* TabFont() override { return w_ && fonts_ ? fonts_->TabFont() : nullptr; }
    TElasticWidths* StatusPanels() override { return w_ ? panels_.get() : nullptr; }
    TElasticWidths* Sections() override { return w_ ? sections_.get() : nullptr; }
    TElasticToolBar* ToolBar() override { return w_ ? toolBar_.get() : nullptr; }
    TElasticGrid* Grid() override { return w_ ? grid_.get() : nullptr; }
    bool IsLabel() const override { return qobject_cast<const QLabel*>(w_.data()) != nullptr; }
    bool AutoSize() const override { return w_ && w_->property("AutoSize").toBool(); }
    void AdjustSize() override {
        if (w_) w_->adjustSize();  // keeps the top-left corner
    }

private:
    QPointer<QWidget> w_;
    TControlKey key_ = TElasticFormQt::Key(w_);
    bool direct_;
    TAlign align_;
    std::unique_ptr<TElasticWidths> panels_, sections_;
    std::unique_ptr<TElasticToolBar> toolBar_;
    std::unique_ptr<TElasticGrid> grid_;
    TElasticFontSource* fonts_ = nullptr;
};

bool LayoutManages(const QLayout* layout, const QWidget* w) {
    if (!layout) return false;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (!item) continue;
        if (item->widget() == w) return true;
        if (LayoutManages(item->layout(), w)) return true;
    }
    return false;
}

bool IsPlainContainer(const QWidget* w) {
    static const char* const plain[] = {"QWidget", "QFrame", "QGroupBox", "QTabWidget",
                                        "QStackedWidget"};
    const char* cls = w->metaObject()->className();
    for (const char* p : plain)
        if (std::strcmp(cls, p) == 0) return true;
    return false;
}

void Walk(QWidget* form, QWidget* parent, std::vector<std::unique_ptr<TElasticControl>>& out) {
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        const QString name = w->objectName();
        const bool named = !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
        // Layout-managed widgets belong to the layout (this also leaves out tab and stack
        // pages, which their stacked layout manages).
        if (named && !LayoutManages(parent->layout(), w))
            out.push_back(std::make_unique<QtControl>(w, parent == form));
        if (IsPlainContainer(w)) Walk(form, w, out);
    }
}

}  // namespace

std::vector<std::unique_ptr<TElasticControl>> CollectElasticControls(QWidget* form) {
    std::vector<std::unique_ptr<TElasticControl>> out;
    if (form) Walk(form, form, out);
    return out;
}

// ---- The form host ----------------------------------------------------------------------

class TQtFormHost : public TElasticHost {
public:
    explicit TQtFormHost(QWidget* form) : form_(form), screen_(form) {}

    TQtScreenInfo& QtScreen() { return screen_; }
    std::function<void()> OnRestartSettle;

    bool IsForm() const override { return form_ && form_->isWindow(); }
    const void* FormKey() const override { return TElasticFormQt::Key(form_); }
    std::string FormName() const override {
        return form_ ? FromQString(form_->objectName()) : std::string();
    }
    TControlBounds Bounds() const override {
        QRect g = form_->geometry();
        return {g.x(), g.y(), g.width(), g.height()};
    }
    TControlBounds NormalBounds() const override {
        QRect g = form_->geometry();
        if ((form_->windowState() &
             (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) &&
            form_->normalGeometry().isValid())
            g = form_->normalGeometry();
        return {g.x(), g.y(), g.width(), g.height()};
    }
    void SetBounds(const TControlBounds& b, bool move) override {
        if (move)
            form_->setGeometry(b.Left, b.Top, std::max(1, b.Width), std::max(1, b.Height));
        else
            form_->resize(std::max(1, b.Width), std::max(1, b.Height));
    }
    bool Positioned() const override { return form_->testAttribute(Qt::WA_Moved); }
    TFormPosition Position() const override {
        const QString p = form_->property("Position").toString();
        if (p == QLatin1String("poScreenCenter")) return TFormPosition::poScreenCenter;
        if (p == QLatin1String("poDesktopCenter")) return TFormPosition::poDesktopCenter;
        return TFormPosition::poDesigned;
    }
    bool IsMaximized() const override { return form_->isMaximized(); }
    void ShowMaximized() override {
        form_->setWindowState(form_->windowState() | Qt::WindowMaximized);
    }
    void SetSizeLimits(int minW, int minH, int maxW, int maxH) override {
        form_->setMinimumSize(std::max(0, minW), std::max(0, minH));
        form_->setMaximumSize(maxW > 0 ? maxW : QWIDGETSIZE_MAX, maxH > 0 ? maxH : QWIDGETSIZE_MAX);
    }
    void SetUpdatesEnabled(bool enabled) override { form_->setUpdatesEnabled(enabled); }
    int FormFontHeight() const override { return WidgetFontHeight(form_); }
    void SetFormFontHeight(int height) override { SetWidgetFontHeight(form_, height); }
    std::vector<std::unique_ptr<TElasticControl>> CollectControls() override {
        return CollectElasticControls(form_);
    }
    bool IsMember(TControlKey control) const override {
        QWidget* w = Widget(control);
        return w && w != form_ && form_->isAncestorOf(w);
    }
    std::string ControlName(TControlKey control) const override {
        QWidget* w = Widget(control);
        return w ? FromQString(w->objectName()) : std::string();
    }
    void SetControlParentFont(TControlKey control, bool parentFont) override {
        if (QWidget* w = Widget(control)) SetWidgetParentFont(w, parentFont);
    }
    std::string ActiveControlName() const override {
        QWidget* f = form_->focusWidget();
        return f && f != form_ ? FromQString(f->objectName()) : std::string();
    }
    void FocusControl(const std::string& name) override {
        if (auto* w = form_->findChild<QWidget*>(ToQString(name)))
            w->setFocus(Qt::OtherFocusReason);
    }
    void RestartSettleTimer() override {
        if (OnRestartSettle) OnRestartSettle();
    }

private:
    // Keys come from TElasticFormQt::Key, so they are widget addresses.
    static QWidget* Widget(TControlKey key) {
        return static_cast<QWidget*>(const_cast<void*>(key));
    }
    QPointer<QWidget> form_;
    TQtScreenInfo screen_;
};

// ---- The resizer on a Qt form -----------------------------------------------------------

namespace {

TScreenInfo* ChooseScreen(TScreenInfo* given, TQtFormHost& host) {
    if (given) return given;
    if (DefaultScreenInfo()) return nullptr;  // the process default wins
    return &host.QtScreen();
}

}  // namespace

TElasticFormQt::TElasticFormQt(QObject* owner, TScreenInfo* screen, TPlacementStore* store)
    : TElasticFormQt(owner, std::make_unique<TQtFormHost>(qobject_cast<QWidget*>(owner)), screen,
                     store) {}

TElasticFormQt::TElasticFormQt(QObject* owner, std::unique_ptr<TQtFormHost> host,
                               TScreenInfo* screen, TPlacementStore* store)
    : QObject(owner),
      TElasticForm(host.get(), ChooseScreen(screen, *host), store),
      host_(std::move(host)),
      form_(qobject_cast<QWidget*>(owner)) {
    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    settle_->setInterval(150);
    connect(settle_, &QTimer::timeout, this, [this] { CallGuarded([this] { HandleSettled(); }); });
    host_->OnRestartSettle = [this] { settle_->start(); };
    form_->installEventFilter(this);
}

TElasticFormQt::~TElasticFormQt() {
    if (form_) form_->removeEventFilter(this);
}

void TElasticFormQt::SetSettleInterval(int milliseconds) {
    settle_->setInterval(std::max(0, milliseconds));
}

void TElasticFormQt::SetBkGrndImage(QLabel* image) {
    image_ = image;
    if (image) image->hide();
    if (form_) form_->update();
}

QLabel* TElasticFormQt::BkGrndImage() const {
    return image_;
}

void TElasticFormQt::WatchScreen() {
    if (watchingScreen_ || !form_ || !form_->windowHandle()) return;
    watchingScreen_ = true;
    auto changed = [this] { CallGuarded([this] { HandleScreenChange(); }); };
    auto follow = [this, changed](QScreen* screen) {
        disconnect(screenConnection_);
        if (screen)
            screenConnection_ = connect(screen, &QScreen::availableGeometryChanged, this, changed);
    };
    QWindow* window = form_->windowHandle();
    follow(window->screen());
    connect(window, &QWindow::screenChanged, this, [follow, changed](QScreen* screen) {
        follow(screen);
        changed();
    });
}

void TElasticFormQt::PaintBackground() {
    if (!image_ || !form_) return;
    const QPixmap pix = image_->pixmap();
    if (pix.isNull() || pix.width() == 0 || pix.height() == 0) return;
    QPainter p(form_);
    if (image_->hasScaledContents() ||
        image_->property("Align").toString() == QLatin1String("alClient")) {
        p.drawPixmap(form_->rect(), pix);
        return;
    }
    for (const TPoint& t :
         BackgroundTiles(form_->width(), form_->height(), pix.width(), pix.height()))
        p.drawPixmap(t.X, t.Y, pix);
}

bool TElasticFormQt::eventFilter(QObject* watched, QEvent* event) {
    if (watched != form_) return false;
    // Exceptions from the resizer or OnAfterResize must not cross Qt's event loop.
    try {
        switch (event->type()) {
            case QEvent::Show:
                WatchScreen();
                HandleShow();
                break;
            case QEvent::Resize:
                HandleResize();
                break;
            case QEvent::Move:
                HandleMove();
                break;
            case QEvent::WindowStateChange:
                if (form_->isMinimized()) HandleMinimise();
                break;
            case QEvent::WindowActivate:
                HandleActivate();
                break;
            case QEvent::Close:
                HandleClose();
                break;
            case QEvent::Paint:
                PaintBackground();
                break;
            default:
                break;
        }
    } catch (const std::exception& e) {
        LorvaneApplication::ShowException(&e);
    }
    return false;
}
