#pragma once

#include "TextIds.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// Every user-visible text by numeric identifier, in every language, read from one language
// file. The file format is described at the top of resources/vantrel.lan.
class TextCatalog {
public:
    // The text of an identifier ("822") in the selected language; "" when it has none. A language
    // the file does not have (a stale or hand-edited setting) speaks as the default language.
    QString GetText(const QString& id, int reserved = 0) const;
    void SelectLanguage(const QString& language);
    // Replaces what was loaded; a missing or unreadable file leaves an empty catalog.
    void LoadLanguageFile(const QString& path, int reserved = 0);
    // Puts the language's captions and tooltips on the window's widgets and actions, matched by
    // the window's and each control's objectName. Controls the file does not name keep theirs.
    void ApplyTexts(const QString& application, QWidget* window, const QString& language) const;
    QString DefaultLanguage() const;
    qint16 LanguageCount() const;
    QString LanguageName(qint16 index) const; // 1 to LanguageCount()

    // Introspection for tests and tools.
    QString selectedLanguage() const { return selected_; }
    QStringList controlNames(const QString& language, const QString& window) const;
    QStringList windowNames(const QString& language) const;
    QStringList textIds(const QString& language) const;
    QString textIn(const QString& language, const QString& id) const;
    // A control's caption or tooltip in a language; nullopt when the file gives none.
    std::optional<QString> captionIn(const QString& language, const QString& window,
                                     const QString& control) const;
    std::optional<QString> tooltipIn(const QString& language, const QString& window,
                                     const QString& control) const;

private:
    struct ControlTexts {
        QString caption;
        QString tooltip;
        bool hasCaption = false;
        bool hasTooltip = false;
    };
    struct WindowTexts {
        QHash<QString, ControlTexts> controls; // control -> texts
        QStringList controlOrder;              // in file order
    };
    struct Language {
        QHash<QString, QString> texts; // id -> text
        QHash<QString, WindowTexts> windows;
        QStringList windowOrder; // in file order
    };
    void clear();
    void parse(const QStringList& lines);
    Language& languageNamed(const QString& name);
    const Language* spoken(const QString& language) const;
    const ControlTexts* entry(const QString& language, const QString& window, const QString& control) const;

    QStringList languages_; // in file order
    QHash<QString, Language> byName_;
    QString default_;
    QString selected_;
};

// KW_Language_shared: the process-wide catalog, created on first use and never released.
TextCatalog& languageCatalog();
void InitLanguage(const QString& path);
// GetText of the process-wide catalog.
QString Text(TextId id);
