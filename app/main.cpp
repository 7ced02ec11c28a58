// Rosette: opens the window and draws the first image; takes no command line.

#include "Form1.h"
#include "UiFont.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(uiFont());
    // The fixed save folder "D:\" is the user's pictures folder here.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString saveFolder = pictures.isEmpty() ? QDir::homePath() : pictures;

    SystemClock clock;
    Form1 window(clock, saveFolder);
    window.show(); // visible before start-up draws anything
    window.controller().Form_Load();
    return app.exec();
}
