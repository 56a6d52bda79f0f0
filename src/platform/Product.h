#pragma once

#include <QString>

// Program-wide product strings, fixed for the whole run.
namespace Product {
inline constexpr int VersionMajor = 4;
inline constexpr int VersionMinor = 0;
inline constexpr int VersionRevision = 14;
inline QString name() {
    return QStringLiteral("Vantrel");
}
inline QString version() {
    return QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}
inline QString webAddress() {
    return QStringLiteral("www.vantrel.org");
} // without scheme
inline QString emailAddress() {
    return QStringLiteral("support@vantrel.org");
}
inline QString forumAddress() {
    return QStringLiteral("www.vantrel.org/forum");
}
inline QString productPage() {
    return QStringLiteral("www.vantrel.org/download");
}
} // namespace Product
