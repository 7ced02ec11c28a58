// What `cmake --install` puts into a staging folder: both programs, the menu entry, the
// metainfo and the manual pages (each passing its validator without a word), the icon at every
// size and the package documents, all named by the one application ID.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString id = QStringLiteral(ROSETTE_APP_ID);

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace

class TestInstalledTree : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void validatorsAcceptEachFile_data();
    void validatorsAcceptEachFile();
    void iconAtEverySize_data();
    void iconAtEverySize();
    void menuEntryNamesTheInstalledProgramAndIcon();
    void installedProgramKnowsItsVersion();

private:
    QString staged(const QString& path) const {
        return stage_.path() + QStringLiteral("/usr/") + path;
    }

    QTemporaryDir stage_;
};

void TestInstalledTree::initTestCase() {
    QVERIFY(stage_.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), stage_.path());
    const Run installed = run(QStringLiteral(CMAKE_COMMAND_PATH),
                              {"--install", BUILD_FOLDER, "--prefix", "/usr"}, environment);
    QVERIFY2(installed.exitCode == 0, installed.err.constData());
}

void TestInstalledTree::validatorsAcceptEachFile_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("validator");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("menu entry") << "share/applications/" + id + ".desktop"
                                << "desktop-file-validate" << QStringList{};
    QTest::newRow("metainfo") << "share/metainfo/" + id + ".metainfo.xml"
                              << "appstreamcli" << QStringList{"validate", "--no-net"};
    QTest::newRow("rosette.1") << "share/man/man1/rosette.1.gz"
                               << "man" << QStringList{"--warnings", "-E", "UTF-8", "-l"};
    QTest::newRow("rosette-render.1") << "share/man/man1/rosette-render.1.gz"
                                      << "man" << QStringList{"--warnings", "-E", "UTF-8", "-l"};
}

void TestInstalledTree::validatorsAcceptEachFile() {
    // The file is installed, and its validator passes it with no error, warning or hint.
    QFETCH(QString, file);
    QFETCH(QString, validator);
    QFETCH(QStringList, arguments);
    QVERIFY2(QFile::exists(staged(file)), qPrintable(file));
    const QString program = QStandardPaths::findExecutable(validator);
    if (program.isEmpty())
        QSKIP(qPrintable(validator + " is not installed (scripts/install-deps installs it)"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const Run checked = run(program, arguments << staged(file), environment);
    QVERIFY2(checked.exitCode == 0, (checked.out + checked.err).constData());
    QVERIFY2(checked.err.isEmpty(), checked.err.constData());
    if (validator == QLatin1String("man"))
        QVERIFY(checked.out.contains("SYNOPSIS"));
    else if (validator == QLatin1String("appstreamcli"))
        // Only pedantic remarks may remain (the ID's capital letter, which the convention of
        // reverse-DNS IDs with a capitalised name asks for).
        for (const QByteArray& line : checked.out.split('\n'))
            QVERIFY2(!line.startsWith("E:") && !line.startsWith("W:") && !line.startsWith("I:"),
                     checked.out.constData());
    else
        QVERIFY2(checked.out.isEmpty(), checked.out.constData());
}

void TestInstalledTree::iconAtEverySize_data() {
    QTest::addColumn<int>("size");
    for (const QString& size : QStringLiteral(ICON_SIZES).split(QLatin1Char(' ')))
        QTest::newRow(qPrintable(size)) << size.toInt();
}

void TestInstalledTree::iconAtEverySize() {
    // The theme holds a square PNG of each size, round: opaque centre, transparent corners.
    QFETCH(int, size);
    const QString file =
        staged(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(id));
    const QImage icon(file);
    QVERIFY2(!icon.isNull(), qPrintable(file));
    QCOMPARE(icon.size(), QSize(size, size));
    QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
}

void TestInstalledTree::menuEntryNamesTheInstalledProgramAndIcon() {
    // The entry starts the installed program, names the icon by the ID, and the package's
    // documents are where Debian looks for them.
    QSettings entry(staged("share/applications/" + id + ".desktop"), QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.value(QStringLiteral("Icon")).toString(), id);
    // The program, given the file the desktop opens with it.
    const QStringList exec = entry.value(QStringLiteral("Exec")).toString().split(' ');
    QCOMPARE(exec.value(1), QStringLiteral("%f"));
    QVERIFY(QFileInfo(staged("bin/" + exec.first())).isExecutable());
    QVERIFY(QFileInfo(staged(QStringLiteral("bin/rosette-render"))).isExecutable());
    QCOMPARE(entry.value(QStringLiteral("StartupWMClass")).toString(), QStringLiteral("rosette"));
    QVERIFY(QFile::exists(staged(QStringLiteral("share/doc/rosette/copyright"))));
    QFile changelog(staged(QStringLiteral("share/doc/rosette/changelog.gz")));
    QVERIFY(changelog.open(QIODevice::ReadOnly));
    QVERIFY(changelog.read(2) == QByteArray("\x1f\x8b"));
}

void TestInstalledTree::installedProgramKnowsItsVersion() {
    // The installed program says the project's version.
    const Run version = run(staged(QStringLiteral("bin/rosette")), {"--version"});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QByteArray("rosette " ROSETTE_VERSION "\n"));
}

QTEST_GUILESS_MAIN(TestInstalledTree)
#include "tst_installedtree.moc"
