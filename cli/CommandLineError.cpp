#include "CommandLineError.h"

QString commandLineError(const QCommandLineParser& parser, const QStringList& arguments) {
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty()) {
        QString text = parser.errorText();
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        if (!text.isEmpty())
            text[0] = text[0].toLower();
        return text;
    }
    QString typed = QStringLiteral("--") + unknown.first();
    for (const QString& argument : arguments.mid(1)) {
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        const qsizetype dashes = name.startsWith(QLatin1String("--")) ? 2 : 1;
        if (name.startsWith(QLatin1Char('-')) && name.mid(dashes) == unknown.first()) {
            typed = name;
            break;
        }
    }
    return QStringLiteral("unknown option '%1'").arg(typed);
}
