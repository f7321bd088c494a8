#pragma once
// Key events in the program's terms.
#include <QKeyEvent>

#include "platform/WindowEvents.h"

namespace vellumo {

// The virtual-key code of the physical key and the modifier state.
KeyEvent TranslateKeyEvent(const QKeyEvent* e);

}  // namespace vellumo
