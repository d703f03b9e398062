// The Windows scroll-bar arithmetic that every control host shares.
#include "platform/Controls.h"

#include <algorithm>

int TScrollBarModel::MaxPos() const {
    int page = int(info_.Page);
    int maxPos = page > 0 ? info_.Max - page + 1 : info_.Max;
    return maxPos < info_.Min ? info_.Min : maxPos;
}

bool TScrollBarModel::Needed() const {
    long long span = (long long)info_.Max - info_.Min;
    return span > 0 && (long long)info_.Page <= span;
}

bool TScrollBarModel::Set(const TScrollInfo& info) {
    bool oldVisible = visible_, oldEnabled = enabled_;
    if (info.Mask & SIF_RANGE) {
        info_.Min = info.Min;
        info_.Max = info.Max < info.Min ? info.Min : info.Max;
    }
    if (info.Mask & SIF_PAGE) info_.Page = info.Page;
    // The page never exceeds the range, as Windows keeps it.
    long long span = (long long)info_.Max - info_.Min + 1;
    if ((long long)info_.Page > span) info_.Page = unsigned(span);
    if (info.Mask & SIF_POS) info_.Pos = info.Pos;
    info_.Pos = std::clamp(info_.Pos, info_.Min, MaxPos());
    if (info.Mask & (SIF_RANGE | SIF_PAGE)) {
        bool needed = Needed();
        enabled_ = needed;
        visible_ = needed || (info.Mask & SIF_DISABLENOSCROLL);
    }
    return oldVisible != visible_ || oldEnabled != enabled_;
}

TControlLayout LayoutControl(int width, int height, int border, int headerHeight, bool verticalBar,
                             bool horizontalBar, int extent, bool rightToLeft) {
    TControlLayout out;
    int clientW = std::max(0, width - 2 * border - (verticalBar ? extent : 0));
    int clientH = std::max(0, height - 2 * border - headerHeight - (horizontalBar ? extent : 0));
    int clientL = border + (verticalBar && rightToLeft ? extent : 0);
    int clientT = border + headerHeight;
    out.Client = {clientL, clientT, clientL + clientW, clientT + clientH};
    int barL = rightToLeft ? border : width - border - extent;
    out.VerticalBar = {barL, clientT, barL + extent, clientT + clientH};
    out.HorizontalBar = {clientL, clientT + clientH, clientL + clientW, clientT + clientH + extent};
    return out;
}
