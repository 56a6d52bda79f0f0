#include "QtLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// The locale whose language carries this English name; the C locale when none does.
QLocale localeNamed(const QString& language) {
    for (int l = QLocale::AnyLanguage + 1; l <= QLocale::LastLanguage; ++l) {
        if (QLocale::languageToString(QLocale::Language(l)).compare(language, Qt::CaseInsensitive) == 0)
            return QLocale(QLocale::Language(l));
    }
    return QLocale::c();
}

} // namespace

void applyQtLanguage(const QString& language) {
    static QTranslator* installed = nullptr; // one at a time, kept for the program's life
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    const QLocale locale = localeNamed(language);
    // Dates and numbers as the system writes them when it speaks the same language (its country's
    // formats included), otherwise as the chosen language does.
    const QLocale system = QLocale::system();
    if (locale.language() != QLocale::C)
        QLocale::setDefault(system.language() == locale.language() ? system : locale);
    auto* translator = new QTranslator;
    if (locale.language() != QLocale::English && locale.language() != QLocale::C &&
        translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator)) {
        installed = translator;
        return;
    }
    delete translator;
}
