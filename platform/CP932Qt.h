// CP932 <-> QString at the Qt boundary.
#pragma once
#include <QString>

#include "CP932.h"

namespace cp932 {

inline QString ToQString(std::string_view s, bool* lossy = nullptr) {
    std::u16string u = ToUtf16(s, lossy);
    return QString(reinterpret_cast<const QChar*>(u.data()), static_cast<qsizetype>(u.size()));
}

inline std::string FromQString(const QString& s, bool* lossy = nullptr) {
    return FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size())), lossy);
}

}  // namespace cp932
