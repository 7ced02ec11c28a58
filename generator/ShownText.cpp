#include "ShownText.h"

#include <algorithm>

namespace {

bool needsEscape(QChar c) {
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

} // namespace

QString shownText(const QString& text) {
    if (std::none_of(text.begin(), text.end(), needsEscape))
        return text;
    QString shown;
    shown.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (!needsEscape(c))
            shown += c;
        else if (c == u'\n')
            shown += QLatin1String("\\n");
        else if (c == u'\r')
            shown += QLatin1String("\\r");
        else if (c == u'\t')
            shown += QLatin1String("\\t");
        else if (c.unicode() < 0x100)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return shown;
}
