#pragma once

#include <QIcon>

// Pictures of the password tools' buttons, drawn here so they need no image files.
namespace ToolIcons {
QIcon generator(); // a die: a password made by chance
QIcon mask();      // an eye: show or hide what is typed
} // namespace ToolIcons
