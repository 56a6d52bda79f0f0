#pragma once

#include <QString>

// Qt's own texts (Yes and No, the file dialogs, shortcut names) and the formats of dates and
// numbers follow the language the user chose, named as in our language file ("German").
// Languages Qt has no translation for leave its texts in English.
void applyQtLanguage(const QString& language);
