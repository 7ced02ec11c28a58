#pragma once

// What the fuzz targets share: turning the fuzzer's bytes into texts and arguments, and
// reporting a broken promise as a crash the fuzzer keeps.

#include "CommandLineEnd.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline QByteArray bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The input split on NUL bytes into arguments, after the program's name, decoded as a program's
// arguments are.
inline QStringList arguments(const char* program, const std::uint8_t* data, std::size_t size) {
    QStringList list{QString::fromLatin1(program)};
    for (const QByteArray& argument : bytes(data, size).split('\0'))
        list.append(QString::fromLocal8Bit(argument));
    return list;
}

// Ends the run as a crash, with what was broken, so the fuzzer saves the input.
[[noreturn]] inline void broken(const char* promise, const QString& detail = {}) {
    std::fprintf(stderr, "broken: %s\n%s\n", promise, qPrintable(detail));
    std::abort();
}

// The current folder while it lives, for arguments that name files relative to it; between
// inputs the fuzzer's own relative paths (corpus, dictionary, findings) mean what they meant.
class InFolder {
public:
    explicit InFolder(const QString& folder) : back_(QDir::currentPath()) {
        QDir::setCurrent(folder);
    }
    ~InFolder() { QDir::setCurrent(back_); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    QString back_;
};

// Keeps Qt's warnings about the inputs (a broken picture, ...) off the fuzzer's output; a fatal
// message still ends the run.
inline void quietQt() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg)
            broken("Qt: fatal message", text);
    });
}

// The application object every target needs for Qt's texts and files, made once, named as
// `program` is, with Qt's warnings kept quiet (see quietQt).
inline void startQt(int* argc, char*** argv, const char* program) {
    static QCoreApplication app(*argc, *argv);
    quietQt();
    QCoreApplication::setApplicationName(QString::fromLatin1(program));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROSETTE_VERSION));
}

// Whether a message is one line of printable text: no line breaks, no other control characters.
inline bool oneLine(const QString& text) {
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return false;
    return true;
}

// Whether a command line ended the program here, checking that it ended as promised: help and
// the version on stdout alone with 0, a mistake as one line with 2.
inline bool ended(const CommandLineEnd& end, const QString& shown) {
    if (end.allHelp)
        return true;
    if (!end.exitCode)
        return false;
    if (*end.exitCode == 0 && (end.output.isEmpty() || !end.error.isEmpty()))
        broken("help and the version print on stdout alone", shown);
    if (*end.exitCode == 2 && (end.error.isEmpty() || !oneLine(end.error)))
        broken("a mistake gives one line", end.error);
    if (*end.exitCode != 0 && *end.exitCode != 2)
        broken("the command line ends the program with 0 or 2", shown);
    return true;
}

} // namespace fuzz
