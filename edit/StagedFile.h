#pragma once

// Writing a file without damaging anything already on disk: the bytes go to a hidden temporary
// in the target's folder, and only a complete file is given its final name, by a rename that
// either cannot replace another file or replaces only the very file that was expected there.
// A folder of files (numbered frames) is staged and named the same way.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

class QIODevice;

// Tells one file apart from any other, even one later written under the same name.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = -1; // -1: no file
    std::int64_t modifiedNs = 0;

    bool exists() const { return size >= 0; }
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at `path` (not following a symbolic link); no file: exists() false.
FileIdentity identityOf(const QString& path);

// Writes every byte to an open file; returns the system's reason on failure, else nothing.
QString writeFully(int fd, const QByteArray& bytes);

// Makes `folder` and its missing parents; returns why it cannot be used as a folder, or nothing.
QString prepareFolder(const QString& folder);

// A complete copy of some bytes in a hidden temporary file (or a hidden temporary folder of
// files), waiting for its name. The temporary is removed when the object goes, unless it was
// placed.
class StagedFile {
public:
    // Writes the bytes through a device given to `write`, which returns why it failed or an
    // empty text. The device writes unbuffered and keeps the first failure of the system (a
    // full disk), which the file then reports, whatever the writer thought.
    using Writer = std::function<QString(QIODevice& device)>;
    // Asked before every write through the device; once it answers true the writes fail, the
    // writer stops, and the file reports "cancelled" (so its temporary goes with it).
    using Cancelled = std::function<bool()>;
    // Writes the temporary itself, by its path, and returns why it failed or an empty text: a
    // library that opens its output by name (and may open it again) writes a file there, over
    // the empty one waiting; a folder's writer fills the empty folder with files.
    using PathWriter = std::function<QString(const QString& temporaryPath)>;
    enum class Kind { File, Folder };

    StagedFile(const QString& folder, const QByteArray& bytes);
    StagedFile(const QString& folder, const Writer& write, const Cancelled& cancelled = {});
    // Once `write` has succeeded, the file, or every file in the folder, is made durable.
    StagedFile(const QString& folder, Kind kind, const PathWriter& write);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; } // why the bytes could not be written
    const FileIdentity& identity() const { return identity_; }

    // Each returns 0 once the file has its name, else an errno value: EEXIST when another
    // file has that name and is kept. A folder can replace only an empty folder.
    // `target` becomes the file unless something already has that name.
    int placeNew(const QString& target);
    // `target` becomes the file, replacing whatever has that name.
    int placeOver(const QString& target);
    // `target` becomes the file if the file there is `expected` (which is then replaced) or if
    // nothing has that name; any other file there is kept (EEXIST).
    int placeOverOwn(const QString& target, const FileIdentity& expected);
    // Takes the file back from `target`, where it was placed, to its temporary name, so it goes
    // with the object; false when what is at `target` is no longer this file (it is then kept).
    bool takeBack(const QString& target);

private:
    // Opens a new temporary in `folder`; -1 with error_ set when that fails.
    int openTemporary(const QString& folder);
    // Makes a new temporary folder in `folder`; false with error_ set when that fails.
    bool makeTemporaryFolder(const QString& folder);
    // Makes the written file durable and notes its identity, or the reason it failed.
    void finish(int fd);
    // The same for the temporary folder and every file in it.
    void finishFolder();

    Kind kind_ = Kind::File;
    QString temporary_;
    bool placed_ = false;
    QString error_;
    FileIdentity identity_;
};
