// The proportional form resizer attached to a Qt form through an event filter.
#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "ElastFrm.h"

class QTimer;
class TQtFormHost;

// The screen a widget is on (its available geometry and logical resolution).
class TQtScreenInfo : public TScreenInfo {
public:
    explicit TQtScreenInfo(QWidget* widget = nullptr) : widget_(widget) {}
    TSize AvailableSize() const override;
    int PixelsPerInch() const override;

private:
    QPointer<QWidget> widget_;
};

// Font heights of widgets in the resizer's convention (negative: character height in pixels).
int WidgetFontHeight(const QWidget* widget);
void SetWidgetFontHeight(QWidget* widget, int height);
// ParentFont false means the widget carries a font of its own instead of inheriting one.
bool WidgetParentFont(const QWidget* widget);
void SetWidgetParentFont(QWidget* widget, bool parentFont);

// The widgets a resizer takes, in walk order: named ones (not Qt's internal "qt_" children),
// not managed by their parent's layout, and neither tab pages nor tool-bar buttons; the walk
// descends only into plain containers (widgets, frames, group boxes, tab and stacked widgets).
std::vector<std::unique_ptr<TElasticControl>> CollectElasticControls(QWidget* form);

// The resizer of one form. Create it with the form as owner after the form's widgets exist;
// it lives as the form's child. Raises when the owner is not a top-level widget or already
// has a resizer.
class TElasticFormQt : public QObject, public TElasticForm {
    Q_OBJECT
public:
    explicit TElasticFormQt(QObject* owner, TScreenInfo* screen = nullptr,
                            TPlacementStore* store = nullptr);
    ~TElasticFormQt() override;

    using TElasticForm::ExcludeFromFontScaling;
    using TElasticForm::ExcludeFromResizing;
    void ExcludeFromFontScaling(QWidget* control) {
        TElasticForm::ExcludeFromFontScaling(Key(control));
    }
    void ExcludeFromResizing(QWidget* control) { TElasticForm::ExcludeFromResizing(Key(control)); }
    static TControlKey Key(const QWidget* control) { return static_cast<const void*>(control); }

    // The background picture: the image control is hidden and its picture painted behind the
    // form's controls, stretched when the control scales its contents, else tiled.
    void SetBkGrndImage(QLabel* image);
    QLabel* BkGrndImage() const;

    // How long the size must stay unchanged before a drag counts as ended (milliseconds).
    void SetSettleInterval(int milliseconds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TElasticFormQt(QObject* owner, std::unique_ptr<TQtFormHost> host, TScreenInfo* screen,
                   TPlacementStore* store);
    void WatchScreen();
    void PaintBackground();

    std::unique_ptr<TQtFormHost> host_;
    QPointer<QWidget> form_;
    QPointer<QLabel> image_;
    QTimer* settle_ = nullptr;
    bool watchingScreen_ = false;
    QMetaObject::Connection screenConnection_;
};
