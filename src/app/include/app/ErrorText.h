#pragma once
// The stream and list errors of the shared modules carry Japanese messages; the
// error report shows them in the window's language, with the names and numbers
// they hold.
#include <QString>

namespace app {

// message in the window's language when it is one of those errors; as it is otherwise.
QString TranslatedErrorText(const QString& message);

}  // namespace app
