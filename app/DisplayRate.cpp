#include "DisplayRate.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

int frameIntervalMs() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double rate = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60.0;
    return std::clamp(int(1000.0 / rate), 4, 40);
}
