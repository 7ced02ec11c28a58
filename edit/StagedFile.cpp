#include "StagedFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reasonOf(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

FileIdentity identityOfStat(const struct stat& st) {
    return {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), std::int64_t(st.st_size),
            std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

// Filesystems without renameat2's flags answer with one of these.
bool unsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

int renameWith(const QString& from, const QString& to, unsigned flags) {
    return renameat2(AT_FDCWD, native(from).constData(), AT_FDCWD, native(to).constData(), flags) ==
                   0
               ? 0
               : errno;
}

// Makes one folder, its missing parents first; returns 0 or an errno value.
int makeFolder(const QString& folder) {
    if (::mkdir(native(folder).constData(), 0777) == 0)
        return 0;
    const int error = errno;
    if (error == EEXIST)
        return QFileInfo(folder).isDir() ? 0 : ENOTDIR;
    if (error != ENOENT)
        return error;
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent == folder)
        return error;
    if (const int up = makeFolder(parent); up != 0)
        return up;
    return ::mkdir(native(folder).constData(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

// A hidden name for a new temporary in `folder`.
QString temporaryIn(const QString& folder) {
    return QDir(folder).filePath(
        QStringLiteral(".rosette-%1.part")
            .arg(QRandomGenerator::global()->generate64() & 0xffffffffffffULL, 12, 16,
                 QLatin1Char('0')));
}

// Removes a file, or a folder with everything in it.
void removeEntry(const QString& path) {
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode))
        QDir(path).removeRecursively();
    else
        ::unlink(native(path).constData());
}

// Writes to a file descriptor in blocks. The first failure is kept and later writes are
// dropped while the encoder is told they went through, so it finishes quietly (libpng would
// print an error of its own) and the failure is reported once, with the system's reason. A
// cancelled write fails instead, so that the encoder gives up at once.
class DescriptorDevice final : public QIODevice {
public:
    DescriptorDevice(int fd, const StagedFile::Cancelled& cancelled)
        : fd_(fd), cancelled_(cancelled) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    // Writes what waits; returns the first failure, or an empty text.
    QString finish() {
        if (failure_.isEmpty() && !block_.isEmpty())
            failure_ = writeFully(fd_, block_);
        block_.clear();
        return failure_;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (!failure_.isEmpty())
            return size;
        if (cancelled_ && cancelled_()) {
            failure_ = QStringLiteral("cancelled");
            return -1;
        }
        block_.append(data, qsizetype(size));
        if (block_.size() >= blockSize)
            finish();
        return size;
    }

private:
    static constexpr qsizetype blockSize = qsizetype(1) << 22;
    int fd_;
    const StagedFile::Cancelled& cancelled_; // may be empty: never cancelled
    QByteArray block_;                       // written when it fills and at the end
    QString failure_;
};

} // namespace

FileIdentity identityOf(const QString& path) {
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0)
        return {};
    return identityOfStat(st);
}

QString writeFully(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, std::size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return reasonOf(errno);
        }
        if (written == 0)
            return reasonOf(EIO);
        data += written;
        left -= written;
    }
    return {};
}

QString prepareFolder(const QString& folder) {
    if (folder.isEmpty())
        return QStringLiteral("there is no folder to save into (without a home folder, start "
                              "the program in a folder you can write to)");
    const QString shown = QDir::toNativeSeparators(folder);
    const int error = makeFolder(QFileInfo(folder).absoluteFilePath());
    if (error == 0)
        return {};
    if (error == ENOTDIR) {
        // Name the file that stands where a folder should be.
        QFileInfo part(QFileInfo(folder).absoluteFilePath());
        while (!part.exists() && part.absoluteFilePath() != part.absolutePath())
            part = QFileInfo(part.absolutePath());
        const QString what =
            part.exists() ? QDir::toNativeSeparators(part.absoluteFilePath()) : shown;
        return QStringLiteral("%1 is not a folder").arg(what);
    }
    return QStringLiteral("the folder %1 cannot be created: %2").arg(shown, reasonOf(error));
}

int StagedFile::openTemporary(const QString& folder) {
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary_ = temporaryIn(folder);
        fd = ::open(native(temporary_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        error_ = reasonOf(errno);
        placed_ = true; // nothing to remove
    }
    return fd;
}

bool StagedFile::makeTemporaryFolder(const QString& folder) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = temporaryIn(folder);
        if (::mkdir(native(temporary_).constData(), 0777) == 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    error_ = reasonOf(errno);
    placed_ = true; // nothing to remove
    return false;
}

void StagedFile::finish(int fd) {
    if (error_.isEmpty() && ::fsync(fd) != 0)
        error_ = reasonOf(errno);
    struct stat st {};
    if (error_.isEmpty() && ::fstat(fd, &st) != 0)
        error_ = reasonOf(errno);
    if (::close(fd) != 0 && error_.isEmpty())
        error_ = reasonOf(errno);
    if (error_.isEmpty())
        identity_ = identityOfStat(st);
}

StagedFile::StagedFile(const QString& folder, const QByteArray& bytes) {
    const int fd = openTemporary(folder);
    if (fd < 0)
        return;
    // The reason is read before anything else can overwrite errno: a full disk says so.
    error_ = writeFully(fd, bytes);
    finish(fd);
}

StagedFile::StagedFile(const QString& folder, const Writer& write, const Cancelled& cancelled) {
    const int fd = openTemporary(folder);
    if (fd < 0)
        return;
    DescriptorDevice device(fd, cancelled);
    const QString writerError = write(device);
    // The device's reason, the system's, says more than the encoder's.
    const QString failure = device.finish();
    error_ = !failure.isEmpty() ? failure : writerError;
    finish(fd);
}

void StagedFile::finishFolder() {
    // The files and folders inside first, then the folder that lists them.
    QDirIterator entries(temporary_, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (error_.isEmpty() && entries.hasNext()) {
        const int fd =
            ::open(native(entries.next()).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0 || ::fsync(fd) != 0)
            error_ = reasonOf(errno);
        if (fd >= 0)
            ::close(fd);
    }
    if (!error_.isEmpty())
        return;
    const int fd =
        ::open(native(temporary_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        error_ = reasonOf(errno);
    else
        finish(fd);
}

StagedFile::StagedFile(const QString& folder, Kind kind, const PathWriter& write) : kind_(kind) {
    if (kind == Kind::Folder) {
        if (!makeTemporaryFolder(folder))
            return;
    } else {
        // The empty file holds the name until the writer writes over it.
        const int fd = openTemporary(folder);
        if (fd < 0)
            return;
        ::close(fd);
    }
    error_ = write(temporary_);
    if (!error_.isEmpty())
        return;
    if (kind == Kind::Folder) {
        finishFolder();
        return;
    }
    const int fd = ::open(native(temporary_).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        error_ = reasonOf(errno);
    else
        finish(fd);
}

StagedFile::~StagedFile() {
    if (placed_)
        return;
    if (kind_ == Kind::Folder)
        removeEntry(temporary_);
    else
        ::unlink(native(temporary_).constData());
}

int StagedFile::placeNew(const QString& target) {
    int error = renameWith(temporary_, target, RENAME_NOREPLACE);
    if (unsupported(error) && kind_ == Kind::Folder) {
        // A folder has no second name to take.
        error = identityOf(target).exists() ? EEXIST : renameWith(temporary_, target, 0);
    } else if (unsupported(error)) {
        // A second name, which cannot replace anything, then the temporary one goes.
        error = ::link(native(temporary_).constData(), native(target).constData()) == 0 ? 0 : errno;
        if (error == 0)
            ::unlink(native(temporary_).constData());
        else if (error == EPERM || unsupported(error)) // a filesystem without hard links
            error = identityOf(target).exists() ? EEXIST : renameWith(temporary_, target, 0);
    }
    placed_ = placed_ || error == 0;
    return error;
}

bool StagedFile::takeBack(const QString& target) {
    if (!placed_ || identityOf(target) != identity_)
        return false;
    if (renameWith(target, temporary_, RENAME_NOREPLACE) != 0)
        return false;
    placed_ = false;
    return true;
}

int StagedFile::placeOver(const QString& target) {
    const int error = renameWith(temporary_, target, 0);
    placed_ = placed_ || error == 0;
    return error;
}

int StagedFile::placeOverOwn(const QString& target, const FileIdentity& expected) {
    // Swapping the two names is atomic and loses nothing: whatever was at the target now has
    // the temporary's name, where it is checked before it goes.
    int error = renameWith(temporary_, target, RENAME_EXCHANGE);
    if (error == ENOENT)
        return placeNew(target);
    if (unsupported(error)) {
        const FileIdentity there = identityOf(target);
        if (!there.exists())
            return placeNew(target);
        if (there != expected)
            return EEXIST;
        return placeOver(target);
    }
    if (error != 0)
        return error;
    if (identityOf(temporary_) == expected) {
        removeEntry(temporary_); // the image's own earlier file
        placed_ = true;
        return 0;
    }
    // Another program put its own file there: it gets its name back.
    error = renameWith(temporary_, target, RENAME_EXCHANGE);
    if (error != 0) {
        placed_ = true; // the other file now waits under the temporary's name; keep it
        error_ = QStringLiteral("the file that was at %1 is now at %2")
                     .arg(QDir::toNativeSeparators(target), QDir::toNativeSeparators(temporary_));
        return error;
    }
    return EEXIST;
}
