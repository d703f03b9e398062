// The about box's texts.
#include "AboutTexts.h"

#include "platform/SysUtils.h"

std::string AboutVersionText(uint32_t productVersionMS) {
    return "Version: " + IntToStr(productVersionMS >> 16) + "." +
           IntToStr(productVersionMS & 0xFFFF);
}

std::string AboutBuildText(uint32_t fileVersionMS, uint32_t fileVersionLS, bool threeLevels) {
    std::string text = "Build: " + IntToStr(fileVersionMS >> 16) + "." +
                       IntToStr(fileVersionMS & 0xFFFF) + "." + IntToStr(fileVersionLS >> 16) +
                       "." + IntToStr(fileVersionLS & 0xFFFF);
    if (threeLevels) text.erase(text.rfind('.'));
    return text;
}
