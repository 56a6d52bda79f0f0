#pragma once

// Checks that tie a window's controls to the language file. Every window's tests can use them:
//   QVERIFY2(missingControls(catalog, "English", &form).isEmpty(), ...);
//   QCOMPARE(textsChangedBy(catalog, "English", &form), QStringList());  // design texts match

#include "TextCatalog.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>

#include <algorithm>

namespace catalog_checks {

// The controls of that name on the window itself. Same rule as the catalog: a control belongs to
// the nearest enclosing window that is not a popup menu.
inline QList<QObject*> controlsNamed(QWidget* window, const QString& name) {
    QList<QObject*> found = window->findChildren<QObject*>(name);
    found.removeIf([window](QObject* object) {
        for (QObject* o = object; o; o = o->parent())
            if (auto* w = qobject_cast<QWidget*>(o); w && w->isWindow() && !qobject_cast<QMenu*>(w))
                return w != window;
        return true;
    });
    return found;
}

// Everything a catalog entry can change on one object: its caption, whatever it is called,
// its tooltip, and for a menu or a tab page the tooltip and tab texts shown elsewhere.
inline QStringList visibleTexts(QObject* object) {
    QStringList texts;
    for (const char* property : {"text", "title", "windowTitle", "toolTip"})
        texts.append(object->property(property).toString());
    if (auto* menu = qobject_cast<QMenu*>(object))
        texts.append(menu->menuAction()->toolTip());
    if (auto* page = qobject_cast<QWidget*>(object); page && page->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget());
            tabs && tabs->indexOf(page) >= 0)
            texts << tabs->tabText(tabs->indexOf(page)) << tabs->tabToolTip(tabs->indexOf(page));
    return texts;
}

// The texts of the window itself, or of every control of that name on it.
inline QList<QStringList> textsOf(QWidget* window, const QString& name) {
    if (name == window->objectName())
        return {visibleTexts(window)};
    QList<QStringList> texts;
    for (QObject* object : controlsNamed(window, name))
        texts.append(visibleTexts(object));
    return texts;
}

} // namespace catalog_checks

// The controls the language file lists for this window (by its objectName) that the window
// does not have, so their texts would never show.
inline QStringList missingControls(const TextCatalog& catalog, const QString& language, QWidget* window) {
    QStringList missing;
    for (const QString& name : catalog.controlNames(language, window->objectName()))
        if (name != window->objectName() && catalog_checks::controlsNamed(window, name).isEmpty())
            missing.append(name);
    return missing;
}

// Applies the language to the window and returns, sorted, the names of the controls (and the
// window) whose caption or tooltip changed. A freshly built window applied with English should
// give an empty list: its design texts and the file's English agree.
inline QStringList textsChangedBy(const TextCatalog& catalog, const QString& language, QWidget* window) {
    QStringList names = catalog.controlNames(language, window->objectName()) << window->objectName();
    names.removeDuplicates();
    names.sort();
    QList<QList<QStringList>> before;
    for (const QString& name : names)
        before.append(catalog_checks::textsOf(window, name));
    catalog.ApplyTexts("Vantrel", window, language);
    QStringList changed;
    for (qsizetype i = 0; i < names.size(); ++i)
        if (catalog_checks::textsOf(window, names.at(i)) != before.at(i))
            changed.append(names.at(i));
    return changed;
}

// The controls on the window whose caption does not fit the room they were given: labels and
// buttons narrower than their text needs, one-line boxes too narrow for a usual value, and anything
// reaching past the window's sides. The window must be shown and laid out.
inline QStringList clippedControls(QWidget* window) {
    QStringList clipped;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window))
            continue;
        const QString name = w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName();
        auto* label = qobject_cast<QLabel*>(w);
        const bool wraps = label && label->wordWrap();
        if ((label || qobject_cast<QAbstractButton*>(w)) && !wraps && w->width() < w->sizeHint().width())
            clipped << name + QStringLiteral(" (%1 < %2)").arg(w->width()).arg(w->sizeHint().width());
        // Nothing may reach past the window's sides.
        const int left = w->mapTo(window, QPoint(0, 0)).x();
        if (left < 0 || left + w->width() > window->width())
            clipped << name + " (outside)";
        // A one-line box shows a dozen characters at least, or no usual value fits.
        const int dozen = 12 * w->fontMetrics().averageCharWidth();
        if (qobject_cast<QLineEdit*>(w) && w->width() < std::max(dozen, w->minimumWidth()))
            clipped << name + QStringLiteral(" (%1 px)").arg(w->width());
    }
    clipped.sort();
    return clipped;
}
