#pragma once
class QWidget;

namespace app {

// The About box over window: the program's version, its licence and Qt's version.
void ShowAboutBox(QWidget& window);

}  // namespace app
