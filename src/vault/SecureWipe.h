#pragma once

#include <QByteArray>

// Overwrites the bytes (a copy of its own if they were shared) and empties the array.
void wipe(QByteArray& bytes);
