#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The category bar's image list: pictures by index, drawn from the SVG files built into the
// library. Indexes without a picture give a null icon.
QString barIconResource(int index);
QIcon barIcon(int index);
// The picture of the "Main" group's header.
QPixmap barGroupPicture(int size);
