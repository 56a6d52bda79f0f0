#pragma once

#include <QString>

class QLineEdit;

// Hides the box's text behind the first character of mask ("#": every character shows as "#");
// an empty mask shows the text in clear.
void applyPasswordMask(QLineEdit* box, const QString& mask);
