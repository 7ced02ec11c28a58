#include "Recipe.h"

#include "ShownText.h"
#include "World.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <charconv>
#include <cmath>
#include <optional>

namespace {

using recipeFields::baseHigh;
using recipeFields::baseLow;
using recipeFields::Kind;
using recipeFields::n4High;
using recipeFields::n4Low;
using recipeFields::phaseHigh;
using recipeFields::SingleField;
using recipeFields::singleFields;

constexpr double whiteValue = 16777215;    // the largest colour value
constexpr double largestWord = 4294967295; // the largest word of the random state

// A single as the double whose shortest text is the single's shortest round-trip text, so the
// file says 20.3 rather than 20.299999237060547; the exact value when that would not read back.
double singleAsJson(float value) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double shortest = 0;
    const auto read = std::from_chars(text, written.ptr, shortest);
    if (read.ec != std::errc() || float(shortest) != value)
        return double(value);
    return shortest;
}

QJsonObject parametersJson(const Recipe& r) {
    QJsonObject o;
    for (const SingleField& f : singleFields)
        o.insert(QLatin1String(f.name), singleAsJson(r.*(f.member)));
    o.insert(QLatin1String("n4"), r.n4); // rewritten with 17 digits by toJson
    return o;
}

QJsonObject paletteJson(const palette::Waves& w) {
    QJsonObject o;
    o.insert(QLatin1String("base1"), singleAsJson(w.base1));
    o.insert(QLatin1String("base2"), singleAsJson(w.base2));
    o.insert(QLatin1String("base3"), singleAsJson(w.base3));
    o.insert(QLatin1String("phase1"), w.phase1);
    o.insert(QLatin1String("phase2"), w.phase2);
    o.insert(QLatin1String("phase3"), w.phase3);
    o.insert(QLatin1String("div1"), singleAsJson(w.div1));
    o.insert(QLatin1String("div2"), singleAsJson(w.div2));
    o.insert(QLatin1String("div3"), singleAsJson(w.div3));
    return o;
}

// Reads fields of a JSON object, stopping at the first fault, which it describes in one line.
class Reader {
public:
    explicit Reader(const QString& source) : source_(source) {}
    bool failed() const { return !error_.isEmpty(); }
    const QString& error() const { return error_; }

    bool fail(const QString& field, const QString& problem) {
        if (error_.isEmpty())
            error_ = QStringLiteral("%1: %2 %3").arg(source_, field, problem);
        return false;
    }

    std::optional<QJsonValue> field(const QJsonObject& o, const QString& path, const char* name) {
        const auto found = o.constFind(QLatin1String(name));
        if (found == o.constEnd()) {
            fail(path + QLatin1String(name), QStringLiteral("is missing"));
            return std::nullopt;
        }
        return *found;
    }

    std::optional<double> number(const QJsonObject& o, const QString& path, const char* name,
                                 double low, double high, Kind kind) {
        const auto value = field(o, path, name);
        if (!value)
            return std::nullopt;
        // Only a fault is described.
        auto range = [&] {
            return QStringLiteral("%1 from %2 to %3")
                .arg(kind == Kind::Fraction ? QStringLiteral("a number")
                     : kind == Kind::Whole  ? QStringLiteral("a whole number")
                                            : QStringLiteral("an even number"))
                .arg(QString::number(low, 'g', QLocale::FloatingPointShortest),
                     QString::number(high, 'g', QLocale::FloatingPointShortest));
        };
        const QString full = path + QLatin1String(name);
        if (!value->isDouble()) {
            fail(full, QStringLiteral("must be %1").arg(range()));
            return std::nullopt;
        }
        const double v = value->toDouble();
        const bool whole = std::floor(v) == v;
        const bool fits = std::isfinite(v) && v >= low && v <= high &&
                          (kind == Kind::Fraction || whole) &&
                          (kind != Kind::Even || std::fmod(v, 2.0) == 0.0);
        if (!fits) {
            fail(full, QStringLiteral("must be %1, not %2").arg(range()).arg(v, 0, 'g', 17));
            return std::nullopt;
        }
        return v;
    }

    std::optional<QJsonObject> object(const QJsonObject& o, const QString& path, const char* name) {
        const auto value = field(o, path, name);
        if (!value)
            return std::nullopt;
        if (!value->isObject()) {
            fail(path + QLatin1String(name), QStringLiteral("must be an object"));
            return std::nullopt;
        }
        return value->toObject();
    }

    std::optional<QString> text(const QJsonObject& o, const char* name) {
        const auto value = field(o, QString(), name);
        if (!value)
            return std::nullopt;
        if (!value->isString()) {
            fail(QLatin1String(name), QStringLiteral("must be a text"));
            return std::nullopt;
        }
        return value->toString();
    }

private:
    QString source_;
    QString error_;
};

// The first key given twice in one object of a valid JSON text, with its path
// ("parameters.n1"), or an empty text. The parser keeps only one of the two, so the text itself
// is scanned.
QString repeatedKey(const QByteArray& json) {
    struct Level {
        bool object;
        QString path; // of the object or list, with a dot or [k] to add to
        QSet<QString> keys;
        QString lastKey;
        int index = 0; // of the list item being read
    };
    std::vector<Level> levels;
    auto childPath = [&levels]() {
        if (levels.empty())
            return QString();
        const Level& up = levels.back();
        return up.object ? up.path + up.lastKey : up.path + QStringLiteral("[%1]").arg(up.index);
    };
    for (qsizetype k = 0; k < json.size(); ++k) {
        const char c = json[k];
        if (c == '{' || c == '[') {
            const QString path = childPath();
            levels.push_back({c == '{', path.isEmpty() || c == '[' ? path : path + '.', {}, {}});
        } else if ((c == '}' || c == ']') && !levels.empty()) {
            levels.pop_back();
        } else if (c == ',' && !levels.empty() && !levels.back().object) {
            ++levels.back().index;
        } else if (c == '"') {
            qsizetype end = k + 1;
            while (end < json.size() && json[end] != '"')
                end += json[end] == '\\' ? 2 : 1;
            const QByteArray quoted = json.mid(k, end - k + 1);
            k = end;
            qsizetype next = end + 1;
            while (next < json.size() && QByteArrayView(" \t\r\n").contains(json[next]))
                ++next;
            if (levels.empty() || !levels.back().object || next >= json.size() || json[next] != ':')
                continue; // a value, not a key
            // The parser decodes the key's escapes, where it has any.
            const QString key =
                quoted.contains('\\')
                    ? QJsonDocument::fromJson("[" + quoted + "]").array().at(0).toString()
                    : QString::fromUtf8(quoted.mid(1, quoted.size() - 2));
            Level& here = levels.back();
            if (here.keys.contains(key))
                return here.path + key;
            here.keys.insert(key);
            here.lastKey = key;
        }
    }
    return {};
}

} // namespace

Recipe recipeOf(const World& world) {
    return recipeOf(world.state, world.waves, world.imageRandom);
}

Recipe recipeOf(const GeneratorState& s, const palette::Waves& waves, Random::State random) {
    Recipe r;
    r.parameters() = s.parameters();
    r.waves = waves;
    r.generationType = s.nac;
    r.random = random;
    r.stem = s.imeslike;
    r.programVersion = programVersion();
    return r;
}

void applyParameters(const Recipe& r, GeneratorState& s) {
    s.parameters() = r.parameters();
    s.imeslike = r.stem;
}

Random::State randomOfStem(const QString& stem) {
    static const QRegularExpression time(QStringLiteral("^T\\d{8}(\\d\\d)(\\d\\d)(\\d\\d)$"));
    const auto match = time.match(stem);
    int seconds = 0;
    if (match.hasMatch())
        seconds = match.captured(1).toInt() * 3600 + match.captured(2).toInt() * 60 +
                  match.captured(3).toInt();
    return Random(float(seconds)).state();
}

QString programVersion() {
    return QStringLiteral(ROSETTE_VERSION);
}

QByteArray toJson(const Recipe& r) {
    QJsonObject o;
    o.insert(QLatin1String("formatVersion"), Recipe::currentFormat);
    o.insert(QLatin1String("programVersion"), r.programVersion);
    o.insert(QLatin1String("stem"), r.stem);
    if (!r.parents.isEmpty()) // only a variation or a cross has parents
        o.insert(QLatin1String("parents"), QJsonArray::fromStringList(r.parents));
    o.insert(QLatin1String("generationType"), r.generationType);
    QJsonArray random;
    for (const std::uint32_t word : r.random)
        random.append(qint64(word));
    o.insert(QLatin1String("random"), random);
    o.insert(QLatin1String("parameters"), parametersJson(r));
    o.insert(QLatin1String("palette"), paletteJson(r.waves));
    QJsonArray replacements;
    for (const Replacement& p : r.replacements)
        replacements.append(QJsonObject{{QLatin1String("pressed"), qint64(p.pressed)},
                                        {QLatin1String("colour"), qint64(p.put)}});
    o.insert(QLatin1String("replacements"), replacements);
    QByteArray text = QJsonDocument(o).toJson(QJsonDocument::Indented);
    // n4 is a double: written with all 17 significant digits, as its readers may expect of a
    // double, rather than the shortest text Qt's writer gives (both read back exactly).
    const QByteArray key = "\"n4\": ";
    if (const qsizetype at = text.indexOf(key); at >= 0) {
        const qsizetype from = at + key.size();
        qsizetype to = from;
        while (to < text.size() && text[to] != ',' && text[to] != '\n')
            ++to;
        text.replace(from, to - from, QByteArray::number(r.n4, 'g', 17));
    }
    return text;
}

bool fromJson(const QByteArray& json, const QString& named, Recipe& recipe, QString& error) {
    const QString source = shownText(named);
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("%1: not a recipe: %2 at character %3")
                    .arg(source, parseError.errorString())
                    .arg(parseError.offset);
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("%1: not a recipe: the text is not a JSON object").arg(source);
        return false;
    }
    if (const QString twice = repeatedKey(json); !twice.isEmpty()) {
        // The parser keeps one of the two values; which one the writer meant is unknown.
        error = QStringLiteral("%1: %2 is given twice").arg(source, shownText(twice));
        return false;
    }
    const QJsonObject top = document.object();
    Reader in(source);
    Recipe r;

    // The format version first: a recipe of another format says so, not which field it lacks.
    int formatVersion = Recipe::currentFormat;
    if (const auto format = in.field(top, QString(), "formatVersion")) {
        const QString formats =
            QStringLiteral("%1 to %2").arg(Recipe::oldestFormat).arg(Recipe::currentFormat);
        if (!format->isDouble())
            in.fail(
                QStringLiteral("formatVersion"),
                QStringLiteral("must be a number (this program reads formats %1)").arg(formats));
        else if (const double v = format->toDouble();
                 v != std::floor(v) || v < Recipe::oldestFormat || v > Recipe::currentFormat)
            in.fail(QStringLiteral("formatVersion"),
                    QStringLiteral("%1 is not a format this program reads (it reads %2)")
                        .arg(v)
                        .arg(formats));
        else
            formatVersion = int(v);
    }
    if (const auto version = in.text(top, "programVersion"))
        r.programVersion = *version;
    // A stem names files: letters, digits, '_', '-' and '.', not starting with '.'.
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9_.-]{0,99}$"));
    const QString stemRule = QStringLiteral("must be 1 to 100 letters, digits, '_', '-' or '.'");
    if (const auto stem = in.text(top, "stem")) {
        if (!safe.match(*stem).hasMatch())
            in.fail(QStringLiteral("stem"), stemRule);
        r.stem = *stem;
    }
    // Only a variation or a cross has parents: one stem, or two.
    if (const auto list = top.constFind(QLatin1String("parents")); list != top.constEnd()) {
        const QJsonArray stems = list->toArray();
        if (!list->isArray() || stems.isEmpty() || stems.size() > 2)
            in.fail(QStringLiteral("parents"), QStringLiteral("must be a list of 1 or 2 stems"));
        for (qsizetype k = 0; k < stems.size() && !in.failed(); ++k) {
            if (!stems[k].isString() || !safe.match(stems[k].toString()).hasMatch())
                in.fail(QStringLiteral("parents[%1]").arg(k), stemRule);
            r.parents << stems[k].toString();
        }
    }
    if (const auto type = in.number(top, QString(), "generationType", 1, 4, Kind::Whole))
        r.generationType = int(*type);
    if (formatVersion < 2) {
        r.random = randomOfStem(r.stem); // format 1 kept no random state
    } else if (const auto list = in.field(top, QString(), "random")) {
        const QJsonArray words = list->toArray();
        if (!list->isArray() || words.size() != qsizetype(r.random.size()))
            in.fail(QStringLiteral("random"),
                    QStringLiteral("must be a list of four whole numbers from 0 to %1")
                        .arg(qint64(largestWord)));
        for (qsizetype k = 0; k < words.size() && !in.failed(); ++k) {
            const QJsonObject item{{QString(), words[k]}};
            const QString path = QStringLiteral("random[%1]").arg(k);
            if (const auto v = in.number(item, path, "", 0, largestWord, Kind::Whole))
                r.random[std::size_t(k)] = std::uint32_t(*v);
        }
        if (!in.failed() && r.random == Random::State{})
            in.fail(QStringLiteral("random"), QStringLiteral("must not be four zeros"));
    }

    if (const auto p = in.object(top, QString(), "parameters")) {
        const QString path = QStringLiteral("parameters.");
        for (const SingleField& f : singleFields)
            if (const auto v = in.number(*p, path, f.name, f.low, f.high, f.kind))
                r.*(f.member) = float(*v);
        if (const auto v = in.number(*p, path, "n4", n4Low, n4High, Kind::Fraction))
            r.n4 = *v;
    }

    if (const auto p = in.object(top, QString(), "palette")) {
        const QString path = QStringLiteral("palette.");
        palette::Waves& w = r.waves;
        float* bases[] = {&w.base1, &w.base2, &w.base3};
        double* phases[] = {&w.phase1, &w.phase2, &w.phase3};
        float* divs[] = {&w.div1, &w.div2, &w.div3};
        const char* baseNames[] = {"base1", "base2", "base3"};
        const char* phaseNames[] = {"phase1", "phase2", "phase3"};
        const char* divNames[] = {"div1", "div2", "div3"};
        for (int k = 0; k < 3; ++k)
            if (const auto v = in.number(*p, path, baseNames[k], baseLow, baseHigh, Kind::Whole))
                *bases[k] = float(*v);
        for (int k = 0; k < 3; ++k)
            if (const auto v = in.number(*p, path, phaseNames[k], 0, phaseHigh, Kind::Fraction))
                *phases[k] = *v;
        // A divisor lies from its base value up to twice it.
        for (int k = 0; k < 3 && !in.failed(); ++k)
            if (const auto v =
                    in.number(*p, path, divNames[k], *bases[k], 2.0 * *bases[k], Kind::Fraction))
                *divs[k] = float(*v);
    }

    if (const auto list = in.field(top, QString(), "replacements")) {
        if (!list->isArray()) {
            in.fail(QStringLiteral("replacements"), QStringLiteral("must be a list"));
        } else {
            const QJsonArray items = list->toArray();
            for (qsizetype k = 0; k < items.size() && !in.failed(); ++k) {
                const QString path = QStringLiteral("replacements[%1]").arg(k);
                if (!items[k].isObject()) {
                    in.fail(path, QStringLiteral("must be an object"));
                    break;
                }
                const QJsonObject item = items[k].toObject();
                const auto pressed =
                    in.number(item, path + '.', "pressed", 0, whiteValue, Kind::Whole);
                const auto put = in.number(item, path + '.', "colour", 0, whiteValue, Kind::Whole);
                if (pressed && put)
                    r.replacements.push_back({colour::Value(*pressed), colour::Value(*put)});
            }
        }
    }

    if (in.failed()) {
        error = in.error();
        return false;
    }
    recipe = r;
    return true;
}

bool readRecipe(const QString& path, Recipe& recipe, QString& error) {
    const QString shown = shownText(QDir::toNativeSeparators(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: cannot be read: %2").arg(shown, file.errorString());
        return false;
    }
    // A recipe is a few hundred bytes; anything far larger is not one.
    constexpr qint64 largest = 4 * 1024 * 1024;
    if (file.size() > largest) {
        error = QStringLiteral("%1: not a recipe: larger than 4 MiB").arg(shown);
        return false;
    }
    return fromJson(file.readAll(), shown, recipe, error);
}

QString recipeFolder() {
    // Without a home folder the data folder would be "//.local/share/...": recipes then stay in
    // the current folder, beside the images saved there.
    if (qEnvironmentVariableIsEmpty("HOME") &&
        !QDir::isAbsolutePath(qEnvironmentVariable("XDG_DATA_HOME")))
        return QDir::currentPath();
    // The window's data folder, also when the renderer asks.
    const QString own = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("rosette"));
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCoreApplication::setApplicationName(own);
    return QDir(data).filePath(QStringLiteral("recipes"));
}
