// The recipe reader on any bytes, every format: a text is either read into a recipe that writes
// and reads back equal, or refused with one line that names the source.

#include "FuzzSupport.h"
#include "Recipe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString source = QStringLiteral("fuzzed.json");
    Recipe recipe;
    QString error;
    if (!fromJson(fuzz::bytes(data, size), source, recipe, error)) {
        if (!error.startsWith(source + QStringLiteral(": ")) || !fuzz::oneLine(error))
            fuzz::broken("a refused recipe gives one line naming its source", error);
        return 0;
    }
    Recipe again;
    if (!fromJson(toJson(recipe), source, again, error))
        fuzz::broken("a recipe read is written so that it reads back", error);
    if (!(again == recipe))
        fuzz::broken("a recipe read writes and reads back equal",
                     QString::fromUtf8(toJson(recipe)));
    return 0;
}
