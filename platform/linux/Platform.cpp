#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <iconv.h>
#include <limits>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

QString ExecutableSuffix() {
    return {};
}

void TieToParent(QProcess& process) {
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        // Runs in the child between fork and exec: only async-signal-safe calls here.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127); // the parent died before the line above took effect
    });
}

bool StageSource(const QString& source, const QString& stagedPath) {
    const QFileInfo info(source);
    if (!info.isFile() || !info.isReadable())
        return false;
    // unlink() removes a planted symbolic link itself, never its target.
    const QByteArray staged = QFile::encodeName(stagedPath);
    if (::unlink(staged.constData()) != 0 && errno != ENOENT)
        return false;
    // A new link costs no copy however big the source is; the encoder only reads through it.
    return ::symlink(QFile::encodeName(info.absoluteFilePath()).constData(), staged.constData()) == 0;
}

QByteArray FileIdentity(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return QByteArray::number(quint64(status.st_dev)) + ':' + QByteArray::number(quint64(status.st_ino));
}

MoveResult MoveUnlessTaken(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return MoveResult::Moved;
    if (errno == EEXIST)
        return MoveResult::Taken;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return MoveResult::Failed;
    // A file system without that rename: a new hard link fails when the name is taken. Once it stands, the
    // file is there under its name, whatever becomes of the old one.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return MoveResult::Moved;
    }
    if (errno == EEXIST)
        return MoveResult::Taken;
    if (errno != EPERM && errno != ENOTSUP)
        return MoveResult::Failed;
    // Nor hard links (FAT): the name is claimed by creating it, then the file is renamed over the claim.
    const int claim = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (claim < 0)
        return errno == EEXIST ? MoveResult::Taken : MoveResult::Failed;
    ::close(claim);
    if (::rename(source.constData(), target.constData()) == 0)
        return MoveResult::Moved;
    ::unlink(target.constData());
    return MoveResult::Failed;
}

bool MoveReplacing(const QString& from, const QString& to) {
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool IsProcessRunning(qint64 processId) {
    // Signal 0 only asks: a process of another user answers with "not permitted".
    return processId > 0 && processId <= std::numeric_limits<pid_t>::max() &&
           (::kill(pid_t(processId), 0) == 0 || errno == EPERM);
}

void LetAnotherWindowComeForward() {
    // The window manager decides; a window that asks to come forward is raised.
}

QString FullFolderPath(const QString& path) {
    return path.startsWith(u'/') ? QDir::cleanPath(path) : QString();
}

void AskToStop(QProcess& process) {
    process.terminate();
}

namespace {
int g_signalPipe[2] = {-1, -1};

void forwardSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}
} // namespace

void OnTerminationRequest(std::function<void()> handler) {
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier =
        new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler = std::move(handler)] {
        char drained[16];
        while (::read(g_signalPipe[0], drained, sizeof drained) > 0) {
        }
        handler();
    });
    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE})
        ::sigaction(signal, &action, nullptr);
}

bool IsSharedProgramFolder(const QString& programFolder) {
    return !QFileInfo(programFolder).isWritable();
}

QString UserSettingsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/movikon");
}

QString DecodeChinese(const QByteArray& bytes, ChineseEncoding encoding) {
    // glibc's iconv holds both tables.
    const iconv_t converter =
        ::iconv_open("UTF-16LE", encoding == ChineseEncoding::Big5 ? "BIG5" : "GB18030");
    if (converter == iconv_t(-1))
        return QString(bytes.size(), QChar::ReplacementCharacter);
    QString text;
    QByteArray input = bytes;
    char* in = input.data();
    size_t inLeft = size_t(input.size());
    std::array<char16_t, 1024> buffer{};
    while (inLeft > 0) {
        char* out = reinterpret_cast<char*>(buffer.data());
        size_t outLeft = sizeof buffer;
        const size_t done = ::iconv(converter, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        text += QStringView(buffer.data(), qsizetype((sizeof buffer - outLeft) / sizeof(char16_t)));
        if (done != size_t(-1) || error == E2BIG)
            continue;
        // A byte the encoding does not have, or a character cut off at the end: one replacement, and on.
        text += QChar::ReplacementCharacter;
        ++in;
        --inLeft;
    }
    ::iconv_close(converter);
    return text;
}

} // namespace platform
