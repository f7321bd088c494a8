#pragma once
// The program's cursors and application icons as Qt objects.
#include <QCursor>
#include <QIcon>

#include "platform/WindowHost.h"

namespace vellumo {

QCursor CursorFor(CursorId cursor);
// Application icon 1 to 5 (the ApplicationIcon setting).
QIcon ApplicationIcon(int number);

}  // namespace vellumo
