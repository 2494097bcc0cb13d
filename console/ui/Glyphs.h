// The pictures of the tool-bar buttons, painted here so that the program ships no icon files.
#pragma once

#include <QIcon>
#include <QString>

// One of: Add, Edit, Delete, First, Prev, Next, Last, Ok, Cancel, Exit, Import, Export.
QIcon Glyph(const QString& name);
