#include "ColorQt.h"

#include <QGuiApplication>
#include <QPalette>

QColor ToQColor(TColor color) {
    if (color == clNone || color == clDefault) return QColor();
    if (!IsSystemColor(color)) {
        uint32_t c = static_cast<uint32_t>(color);
        return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
    QPalette pal = QGuiApplication::palette();
    switch (color) {
        case clWindow: return pal.color(QPalette::Base);
        case clWindowText: return pal.color(QPalette::Text);
        case clHighlight: return pal.color(QPalette::Highlight);
        case clHighlightText: return pal.color(QPalette::HighlightedText);
        case clGrayText: return pal.color(QPalette::Disabled, QPalette::Text);
        case clBtnFace: return pal.color(QPalette::Button);
        case clBtnText: return pal.color(QPalette::ButtonText);
        case clBtnShadow: return pal.color(QPalette::Dark);
        case clBtnHighlight: return pal.color(QPalette::Light);
        case cl3DDkShadow: return pal.color(QPalette::Shadow);
        case cl3DLight: return pal.color(QPalette::Midlight);
        case clInfoText: return pal.color(QPalette::ToolTipText);
        case clInfoBk: return pal.color(QPalette::ToolTipBase);
        case clMenu: return pal.color(QPalette::Window);
        case clMenuText: return pal.color(QPalette::WindowText);
        case clCaptionText: return pal.color(QPalette::HighlightedText);
        case clActiveCaption: return pal.color(QPalette::Highlight);
        default: return pal.color(QPalette::Window);
    }
}
