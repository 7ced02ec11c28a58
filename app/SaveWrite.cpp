#include "SaveWrite.h"

SaveOutcome writeSave(SaveRequest request) {
    SaveOutcome outcome;
    outcome.picture = request.file.save(request.picture, request.folder, request.stem);
    if (outcome.picture.ok)
        outcome.recipe = request.file.saveRecipe(request.recipe, request.recipeFolder);
    outcome.file = std::move(request.file);
    outcome.stem = request.stem;
    return outcome;
}
