#include "U_ShellForms.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>

#include "CP932Qt.h"
#include "U_ApplicationInfo.h"

namespace shellforms {

QFont FormFont() {
    QFont f(QStringLiteral("IPAPGothic"));
    f.setPointSize(9);
    return f;
}

QIcon ApplicationIcon() {
    QIcon icon = QGuiApplication::windowIcon();
    if (!icon.isNull()) return icon;
    // a blue tile with a white "Z"
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x63, 0xa8));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(22);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("Z"));
    p.end();
    return QIcon(pm);
}

std::string ProgramFileVersion() {
    try {
        TApplicationInfoRec info;
        TApplicationInfo::GetInfo(info);
        return info.FileVersion;
    } catch (const std::exception&) {
        return std::string();
    }
}

QString ToDisplayText(const std::string& Text) {
    QString s = cp932::ToQString(Text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar(u'\r'), QChar(u'\n'));
    return s;
}

}  // namespace shellforms
