#pragma once

#include <QIcon>
#include <QPixmap>

// Pictures the program draws itself, so nothing is shipped that we did not make.
namespace Artwork {
QPixmap logo(int size);              // a key in a shield
QIcon programIcon();                 // the icon the desktop gets, also the windows' own
int confusionPictureCount();         // 26
QPixmap confusionPicture(int index); // 48 x 48: a letter in a coloured circle, index 0..25
} // namespace Artwork
