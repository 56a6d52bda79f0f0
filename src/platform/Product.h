#pragma once

#include <QString>

// Program-wide product strings, fixed for the whole run. The version comes from the project's
// build files, the one place it is written.
namespace Product {
inline constexpr int VersionMajor = VANTREL_VERSION_MAJOR;
inline constexpr int VersionMinor = VANTREL_VERSION_MINOR;
inline constexpr int VersionRevision = VANTREL_VERSION_PATCH;
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
