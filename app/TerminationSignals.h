#pragma once

// SIGTERM, SIGINT and SIGHUP as a Qt signal on the UI thread, so the program can end the way
// its close button ends it instead of dying with its queued saves. The handler only writes the
// signal's number into a pipe; a socket notifier reads it in the event loop.

#include <QObject>
#include <QSocketNotifier>
#include <memory>

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object per process.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    // The first of these signals arrived; any further one has its default action again.
    void received(int signalNumber);

private:
    void readPipe();

    std::unique_ptr<QSocketNotifier> notifier_;
};
