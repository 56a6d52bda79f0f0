#include "TextCatalog.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QStringDecoder>
#include <QTabWidget>
#include <QWidget>

#include <algorithm>

namespace {

// A language file is a few hundred kilobytes; anything far larger is not one.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

bool isDigits(QStringView s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The text of a value as written after "=": quotes keep outer blanks, backslash escapes give
// line breaks, tabs, quotes and backslashes. False for a value we cannot read, so that a typo
// drops one line instead of showing a mangled text.
bool decodeValue(QStringView raw, QString& out) {
    QStringView value = trimBlanks(raw);
    if (value.startsWith(u'"')) {
        if (value.size() < 2 || !value.endsWith(u'"'))
            return false;
        value = value.sliced(1, value.size() - 2);
    }
    out.clear();
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\') {
            out.append(c);
            continue;
        }
        if (++i == value.size())
            return false;
        switch (value[i].unicode()) {
        case u'n':
            out.append(u'\n');
            break;
        case u't':
            out.append(u'\t');
            break;
        case u'\\':
            out.append(u'\\');
            break;
        case u'"':
            out.append(u'"');
            break;
        default:
            return false;
        }
    }
    return true;
}

// Splits "word rest" at the first run of blanks.
bool splitWord(QStringView s, QStringView& word, QStringView& rest) {
    s = trimBlanks(s);
    qsizetype i = 0;
    while (i < s.size() && !isBlank(s[i]))
        ++i;
    word = s.first(i);
    rest = trimBlanks(s.sliced(i));
    return !word.isEmpty();
}

bool validName(QStringView s) {
    return !s.isEmpty() && std::none_of(s.begin(), s.end(), [](QChar c) { return isBlank(c) || c == u'/'; });
}

// The window a control lives on. Menus are popups and so windows of their own, but their
// entries belong to the window whose menu bar holds them.
bool livesOn(QObject* object, const QWidget* window) {
    for (QObject* o = object; o; o = o->parent()) {
        auto* widget = qobject_cast<QWidget*>(o);
        if (widget && widget->isWindow() && !qobject_cast<QMenu*>(widget))
            return widget == window;
    }
    return false;
}

QTabWidget* tabWidgetOf(QWidget* page) {
    auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
    if (!stack)
        return nullptr;
    auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
    return tabs && tabs->indexOf(page) >= 0 ? tabs : nullptr;
}

template <typename Control>
void applyTextAndTip(Control* control, const QString& caption, bool hasCaption, const QString& tip,
                     bool hasTip) {
    if (hasCaption)
        control->setText(caption);
    if (hasTip)
        control->setToolTip(tip);
}

} // namespace

void TextCatalog::clear() {
    languages_.clear();
    byName_.clear();
    default_.clear();
}

TextCatalog::Language& TextCatalog::languageNamed(const QString& name) {
    if (!byName_.contains(name))
        languages_.append(name);
    return byName_[name];
}

void TextCatalog::parse(const QStringList& lines) {
    Language* current = nullptr;
    for (const QString& fullLine : lines) {
        QStringView line = trimBlanks(fullLine);
        if (line.endsWith(u'\r'))
            line = trimBlanks(line.chopped(1));
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;

        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close < 0)
                continue;
            QStringView word, rest;
            if (!splitWord(line.sliced(1, close - 1), word, rest))
                continue;
            const QStringView after = trimBlanks(line.sliced(close + 1));
            if (word == u"default" && rest.isEmpty() && !after.isEmpty() && !after.contains(u'[')) {
                default_ = after.toString();
            } else if (word == u"language" && !rest.isEmpty() && after.isEmpty()) {
                current = &languageNamed(rest.toString());
            }
            continue;
        }

        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals < 0)
            continue;
        QString value;
        if (!decodeValue(line.sliced(equals + 1), value))
            continue;
        QStringView kind, key;
        if (!splitWord(line.first(equals), kind, key))
            continue;

        if (kind == u"text") {
            if (isDigits(key))
                current->texts.insert(key.toString(), value);
            continue;
        }
        if (kind != u"control")
            continue;
        QStringView target, property;
        if (!splitWord(key, target, property))
            continue;
        const qsizetype slash = target.indexOf(u'/');
        if (slash < 0)
            continue;
        const QStringView windowName = target.first(slash);
        const QStringView controlName = target.sliced(slash + 1);
        const bool isCaption = property == u"caption";
        if (!validName(windowName) || !validName(controlName) || !(isCaption || property == u"tooltip"))
            continue;

        const QString window = windowName.toString();
        const QString control = controlName.toString();
        if (!current->windows.contains(window))
            current->windowOrder.append(window);
        WindowTexts& texts = current->windows[window];
        if (!texts.controls.contains(control))
            texts.controlOrder.append(control);
        ControlTexts& entry = texts.controls[control];
        if (isCaption) {
            entry.caption = value;
            entry.hasCaption = true;
        } else {
            entry.tooltip = value;
            entry.hasTooltip = true;
        }
    }
    if (default_.isEmpty() && !languages_.isEmpty())
        default_ = languages_.first();
}

QString TextCatalog::GetText(const QString& id, int) const {
    const Language* lang = spoken(selected_);
    return lang ? lang->texts.value(id) : QString();
}

const TextCatalog::Language* TextCatalog::spoken(const QString& language) const {
    auto lang = byName_.constFind(language);
    if (lang == byName_.cend())
        lang = byName_.constFind(default_);
    return lang == byName_.cend() ? nullptr : &*lang;
}

void TextCatalog::SelectLanguage(const QString& language) {
    selected_ = language;
}

void TextCatalog::LoadLanguageFile(const QString& path, int) {
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFileSize)
        return;
    QByteArray bytes = file.read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize)
        return;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    // Line by line, so that a line we cannot read (not UTF-8, or binary) costs only itself.
    QStringList lines;
    for (const QByteArray& raw : bytes.split('\n')) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString line = decoder(raw);
        lines.append(decoder.hasError() || raw.contains('\0') ? QString() : line);
    }
    parse(lines);
}

void TextCatalog::ApplyTexts(const QString&, QWidget* window, const QString& language) const {
    if (!window || window->objectName().isEmpty())
        return;
    const Language* lang = spoken(language);
    if (!lang)
        return;
    const auto texts = lang->windows.constFind(window->objectName());
    if (texts == lang->windows.cend())
        return;

    for (const QString& name : texts->controlOrder) {
        const ControlTexts& entry = texts->controls.value(name);
        if (name == window->objectName()) {
            if (entry.hasCaption)
                window->setWindowTitle(entry.caption);
            if (entry.hasTooltip)
                window->setToolTip(entry.tooltip);
            continue;
        }
        const QList<QObject*> found = window->findChildren<QObject*>(name);
        for (QObject* object : found) {
            if (!livesOn(object, window))
                continue;
            if (auto* action = qobject_cast<QAction*>(object)) {
                applyTextAndTip(action, entry.caption, entry.hasCaption, entry.tooltip, entry.hasTooltip);
            } else if (auto* menu = qobject_cast<QMenu*>(object)) {
                if (entry.hasCaption)
                    menu->setTitle(entry.caption);
                if (entry.hasTooltip)
                    menu->menuAction()->setToolTip(entry.tooltip);
            } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
                applyTextAndTip(button, entry.caption, entry.hasCaption, entry.tooltip, entry.hasTooltip);
            } else if (auto* label = qobject_cast<QLabel*>(object)) {
                applyTextAndTip(label, entry.caption, entry.hasCaption, entry.tooltip, entry.hasTooltip);
            } else if (auto* box = qobject_cast<QGroupBox*>(object)) {
                if (entry.hasCaption)
                    box->setTitle(entry.caption);
                if (entry.hasTooltip)
                    box->setToolTip(entry.tooltip);
            } else if (auto* widget = qobject_cast<QWidget*>(object)) {
                if (QTabWidget* tabs = tabWidgetOf(widget)) {
                    const int index = tabs->indexOf(widget);
                    if (entry.hasCaption)
                        tabs->setTabText(index, entry.caption);
                    if (entry.hasTooltip)
                        tabs->setTabToolTip(index, entry.tooltip);
                } else if (entry.hasTooltip) {
                    widget->setToolTip(entry.tooltip);
                }
            }
        }
    }
}

QString TextCatalog::DefaultLanguage() const {
    return default_;
}

qint16 TextCatalog::LanguageCount() const {
    return static_cast<qint16>(std::min<qsizetype>(languages_.size(), 32767));
}

QString TextCatalog::LanguageName(qint16 index) const {
    if (index < 1 || index > languages_.size())
        return {};
    return languages_.at(index - 1);
}

QStringList TextCatalog::controlNames(const QString& language, const QString& window) const {
    const auto lang = byName_.constFind(language);
    if (lang == byName_.cend())
        return {};
    return lang->windows.value(window).controlOrder;
}

QStringList TextCatalog::windowNames(const QString& language) const {
    return byName_.value(language).windowOrder;
}

QStringList TextCatalog::textIds(const QString& language) const {
    QStringList ids = byName_.value(language).texts.keys();
    std::sort(ids.begin(), ids.end(), [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return ids;
}

QString TextCatalog::textIn(const QString& language, const QString& id) const {
    const auto lang = byName_.constFind(language);
    if (lang == byName_.cend())
        return {};
    return lang->texts.value(id);
}

const TextCatalog::ControlTexts* TextCatalog::entry(const QString& language, const QString& window,
                                                    const QString& control) const {
    const auto lang = byName_.constFind(language);
    if (lang == byName_.cend())
        return nullptr;
    const auto texts = lang->windows.constFind(window);
    if (texts == lang->windows.cend())
        return nullptr;
    const auto found = texts->controls.constFind(control);
    return found == texts->controls.cend() ? nullptr : &*found;
}

std::optional<QString> TextCatalog::captionIn(const QString& language, const QString& window,
                                              const QString& control) const {
    const ControlTexts* texts = entry(language, window, control);
    if (!texts || !texts->hasCaption)
        return std::nullopt;
    return texts->caption;
}

std::optional<QString> TextCatalog::tooltipIn(const QString& language, const QString& window,
                                              const QString& control) const {
    const ControlTexts* texts = entry(language, window, control);
    if (!texts || !texts->hasTooltip)
        return std::nullopt;
    return texts->tooltip;
}

TextCatalog& languageCatalog() {
    // Deliberately leaked: windows may ask for texts while the process is shutting down.
    static TextCatalog* catalog = new TextCatalog;
    return *catalog;
}

void InitLanguage(const QString& path) {
    TextCatalog& catalog = languageCatalog();
    catalog.LoadLanguageFile(path, 0);
    catalog.SelectLanguage(catalog.DefaultLanguage());
}

QString Text(TextId id) {
    return languageCatalog().GetText(QString::number(int(id)), 0);
}

std::span<const TextId> allTextIds() {
    static constexpr TextId ids[] = {
#define VANTREL_TEXT_ID(name, value) TextId::name,
        VANTREL_TEXT_IDS(VANTREL_TEXT_ID)
#undef VANTREL_TEXT_ID
    };
    return ids;
}
