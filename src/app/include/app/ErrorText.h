#pragma once
// The text of an error as the error report shows it: in the window's language,
// with the names and numbers it holds shown as the window shows names.
#include <QString>

#include <exception>

namespace app {

// The error's text translated when the window has a translation of it (the
// shared modules' stream and list errors carry Japanese texts, std::bad_alloc
// is told as a shortage of memory), its values put in as displayed text, its
// lines separated by newlines.
QString TranslatedErrorText(const std::exception& error);

// What the error's text leaves out, in the window's language: the file it is
// about and why ("empty.3ds: the file is empty"); empty when nothing is known.
QString ErrorDetailText(const std::exception& error);

}  // namespace app
