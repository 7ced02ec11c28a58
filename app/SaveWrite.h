#pragma once

// A save of the image on the canvas, written on a worker thread: the picture, then its recipe,
// each made durable on the disk before it takes its name. The disk may keep a save waiting for
// a tenth of a second or more; the window keeps turning meanwhile, and the commands behind the
// save wait for it as they wait for an image building up.

#include "ImageFile.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// What to save: the picture as the canvas shows it under the image's name, and its recipe.
struct SaveRequest {
    ImageFile file; // the image's file as its earlier saves left it
    QImage picture;
    QString folder; // where the picture goes
    QString stem;   // the image's name
    QByteArray recipe;
    QString recipeFolder;
};

struct SaveOutcome {
    ImageFile file;     // the image's file after this save, to keep for its next one
    QString stem;       // the name of the image saved
    SaveResult picture; // the picture's save
    SaveResult recipe;  // the recipe's, tried only once the picture is saved
};

// The save itself, on the calling thread.
SaveOutcome writeSave(SaveRequest request);
