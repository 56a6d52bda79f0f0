#pragma once

// Checks that tie a window's controls to the language file. Every window's tests can use them:
//   QVERIFY2(missingControls(catalog, "English", &form).isEmpty(), ...);
//   QCOMPARE(textsChangedBy(catalog, "English", &form), QStringList());  // design texts match

#include "TextCatalog.h"

#include <QAbstractButton>
#include <QAction>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

#include <algorithm>

namespace catalog_checks {

// Same rule as the catalog: a control belongs to the nearest enclosing window that is not a
// popup menu.
inline bool livesOn(QObject* object, const QWidget* window) {
    for (QObject* o = object; o; o = o->parent()) {
        auto* widget = qobject_cast<QWidget*>(o);
        if (widget && widget->isWindow() && !qobject_cast<QMenu*>(widget))
            return widget == window;
    }
    return false;
}

inline QList<QObject*> controlsNamed(QWidget* window, const QString& name) {
    QList<QObject*> found;
    for (QObject* object : window->findChildren<QObject*>(name))
        if (livesOn(object, window))
            found.append(object);
    return found;
}

// Everything a catalog entry can change on one object.
inline QStringList visibleTexts(QObject* object) {
    if (auto* action = qobject_cast<QAction*>(object))
        return {action->text(), action->toolTip()};
    if (auto* menu = qobject_cast<QMenu*>(object))
        return {menu->title(), menu->menuAction()->toolTip()};
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return {button->text(), button->toolTip()};
    if (auto* label = qobject_cast<QLabel*>(object))
        return {label->text(), label->toolTip()};
    if (auto* box = qobject_cast<QGroupBox*>(object))
        return {box->title(), box->toolTip()};
    if (auto* widget = qobject_cast<QWidget*>(object)) {
        QStringList texts{widget->windowTitle(), widget->toolTip()};
        if (auto* stack = qobject_cast<QStackedWidget*>(widget->parentWidget()))
            if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
                tabs && tabs->indexOf(widget) >= 0)
                texts << tabs->tabText(tabs->indexOf(widget)) << tabs->tabToolTip(tabs->indexOf(widget));
        return texts;
    }
    return {};
}

} // namespace catalog_checks

// The controls the language file lists for this window (by its objectName) that the window
// does not have, so their texts would never show.
inline QStringList missingControls(const TextCatalog& catalog, const QString& language, QWidget* window) {
    QStringList missing;
    for (const QString& name : catalog.controlNames(language, window->objectName())) {
        if (name != window->objectName() && catalog_checks::controlsNamed(window, name).isEmpty())
            missing.append(name);
    }
    return missing;
}

// Applies the language to the window and returns the names of the controls whose caption or
// tooltip changed. A freshly built window applied with English should give an empty list: its
// design texts and the file's English agree.
inline QStringList textsChangedBy(const TextCatalog& catalog, const QString& language, QWidget* window) {
    QMap<QString, QList<QStringList>> before;
    const QString windowName = window->objectName();
    before[windowName].append(catalog_checks::visibleTexts(window));
    for (const QString& name : catalog.controlNames(language, windowName))
        if (name != windowName)
            for (QObject* object : catalog_checks::controlsNamed(window, name))
                before[name].append(catalog_checks::visibleTexts(object));

    catalog.ApplyTexts(QStringLiteral("Vantrel"), window, language);

    QStringList changed;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        QList<QStringList> after;
        if (it.key() == windowName)
            after.append(catalog_checks::visibleTexts(window));
        else
            for (QObject* object : catalog_checks::controlsNamed(window, it.key()))
                after.append(catalog_checks::visibleTexts(object));
        if (after != it.value())
            changed.append(it.key());
    }
    return changed;
}

// Every text identifier the code under `folder` asks for with a literal: Text(822),
// GetText(QStringLiteral("822")) or GetText("822"), in C++ sources and headers.
inline QStringList identifiersAskedFor(const QString& folder) {
    static const QRegularExpression call(QStringLiteral(
        R"re((?<![A-Za-z0-9_])(?:Text\(\s*(\d+)\s*\)|GetText\(\s*(?:QStringLiteral\(\s*)?"(\d+)"))re"));
    QSet<QString> ids;
    QDirIterator files(folder, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString source = QString::fromUtf8(file.readAll());
        for (auto match = call.globalMatch(source); match.hasNext();) {
            const auto m = match.next();
            ids.insert(m.captured(1).isEmpty() ? m.captured(2) : m.captured(1));
        }
    }
    QStringList sorted(ids.begin(), ids.end());
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    return sorted;
}
