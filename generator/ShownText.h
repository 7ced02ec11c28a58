#pragma once

// Text from others (a file's name, a recipe's key, an argument) as messages quote it.

#include <QString>

// The text with every control character and line or paragraph separator written as an escape
// (\n, \r, \t, \xHH, \uHHHH), so that a message quoting it stays one line and cannot steer a
// terminal. Other characters, backslashes included, are kept as they are.
QString shownText(const QString& text);
