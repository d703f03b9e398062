#include "RPDefine.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Printers have no desktop palette: system colours take their classic light-theme values.
TColor PrinterRGB(TColor color) {
    if (!IsSystemColor(color)) return color & 0xFFFFFF;
    if (color == clWindow || color == clBtnHighlight || color == clHighlightText) return clWhite;
    if (color == clBtnFace || color == cl3DLight) return clSilver;
    if (color == clBtnShadow || color == clGrayText) return clGray;
    return clBlack;
}

}  // namespace

std::string DefaultTranslate(const std::string& text) {
    return text;
}

TTranslateHook TranslateHook = DefaultTranslate;

std::string Trans(const std::string& text) {
    return TranslateHook ? TranslateHook(text) : text;
}

void RaiseError(const std::string& message) {
    throw EPrintReport(message);
}

int RoundToDevice(double v) {
    if (std::isnan(v)) return 0;
    return int(std::lround(std::clamp(v, double(INT_MIN), double(INT_MAX))));
}

TColor ShadeColor(TColor color, int percent) {
    color = PrinterRGB(color);
    if (percent > 100) percent = 100;
    if (percent < 0) percent = 0;
    int d = 100 - percent;
    auto channel = [d](int c) { return c + d * (255 - c) / 100; };
    return RGBColor(channel(GetRValue(color)), channel(GetGValue(color)),
                    channel(GetBValue(color)));
}

TRPComponent::TRPComponent(TComponent* owner) : TComponent(owner), version_("4.05 (FRM5)") {}
