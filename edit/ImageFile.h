#pragma once

// The file the image on the canvas is saved to. Its first save takes stem.jpg, or stem-2.jpg,
// stem-3.jpg, ... when that name belongs to another file (another image begun in the same
// second, or another program's save); later saves of the same image replace that one file, and
// only while it is still the file this image wrote. Nothing else is ever replaced, even when
// another program saves into the same folder at the same moment. The image's recipe is kept the
// same way, in a folder of its own, under the saved file's name.

#include "ImageSaver.h"

#include <QString>

class ImageFile {
public:
    // A new image is on the canvas: its first save chooses a name again.
    void forget();

    // An image opened again: `image` (in `folder`, saved under `stem`) and `recipe` are the
    // files an earlier session saved for it, so its saves replace them while they are as they
    // are now, and take their names again where they are missing.
    void adopt(const QString& folder, const QString& stem, const QString& image,
               const QString& recipe);

    // Writes the picture for the image named `stem` into `folder`. Any thread may save the
    // picture it holds, while no other thread uses this object.
    SaveResult save(const QImage& picture, const QString& folder, const QString& stem);

    // Writes the image's recipe as recipeFolder/<saved file's name>.json (after save()),
    // replacing only the recipe this image wrote there before.
    SaveResult saveRecipe(const QByteArray& json, const QString& recipeFolder);

    // The file this image's saves write, once one has been written.
    QString path() const { return path_; }

private:
    QString folder_;
    QString stem_;
    QString path_;               // where this image was last saved
    FileIdentity written_;       // what that save wrote
    QString recipePath_;         // where this image's recipe was last saved
    FileIdentity recipeWritten_; // what that recipe save wrote
};
