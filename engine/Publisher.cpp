#include "engine/Publisher.h"

#include "conv/Mp4Header.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStorageInfo>

namespace {
constexpr qint64 kCopyBlock = 1 << 20;
constexpr int kMostNumbers = 9999; // "name (9999).mp4" is the last name tried
// What every file system takes in one name, in bytes of UTF-8 (which is never shorter than UTF-16).
constexpr qsizetype kLongestName = 255;
// A disk with less room than this takes no batch's results.
constexpr qint64 kFullDiskBytes = 1 << 20;

// `stem` and `ending` as one name, the stem shortened (never inside a character) until it fits.
QString fitted(QString stem, const QString& ending) {
    while (!stem.isEmpty() && (stem + ending).toUtf8().size() > kLongestName)
        stem.chop(stem.size() >= 2 && stem.back().isLowSurrogate() ? 2 : 1);
    return stem + ending;
}

// ".movikon-<process>-<8 hex digits>.part": hidden, and telling which process writes it.
const QRegularExpression kTemporaryName(QStringLiteral(R"(^\.movikon-(\d+)-[0-9a-f]{8}\.part$)"));

// A file in the output folder that is removed unless it is let go.
struct TemporaryResult {
    QFile file;
    bool kept = false;

    // Opens a new temporary file in `folder`; false when none can be made there.
    bool Open(const QDir& folder) {
        do
            file.setFileName(
                folder.filePath(QStringLiteral(".movikon-%1-%2.part")
                                    .arg(QCoreApplication::applicationPid())
                                    .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'))));
        while (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.exists());
        if (!file.isOpen())
            file.setFileName({});
        return file.isOpen();
    }

    ~TemporaryResult() {
        if (!kept && !file.fileName().isEmpty())
            file.remove();
    }
};

// Why a write into `folder` failed: a missing folder, no permission, a full disk; `needed` bytes, and what
// was `written` so far if anything.
// Why `folder` takes no file at all: gone, or not writable; nothing otherwise.
QString folderGone(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir())
        return QStringLiteral("输出文件夹不存在：") + QDir::toNativeSeparators(folder);
    if (!info.isWritable())
        return QStringLiteral("没有权限写入输出文件夹：") + QDir::toNativeSeparators(folder);
    return {};
}

// Whether the disk of `folder` has less room than `needed` bytes, or than any result takes.
bool diskFull(const QString& folder, qint64 needed) {
    const QStorageInfo disk(folder);
    return disk.isValid() && disk.bytesAvailable() >= 0 &&
           disk.bytesAvailable() < std::max(needed, kFullDiskBytes);
}

Publisher::Outcome writeFailure(const QString& folder, qint64 needed, const QFileDevice* written) {
    const QString shown = QDir::toNativeSeparators(folder);
    if (const QString gone = folderGone(folder); !gone.isEmpty())
        return {{}, gone, true};
    // Asked while what was written of the result still takes its room.
    if ((written && written->error() == QFileDevice::ResourceError) || diskFull(folder, needed))
        return {{}, QStringLiteral("输出文件夹所在的磁盘已满：") + shown, true};
    // Without a file written, nothing but the folder itself failed.
    return {{},
            QStringLiteral("无法写入输出文件夹：") + shown +
                (written ? u'（' + written->errorString() + u'）' : QString()),
            !written};
}
} // namespace

QString ResultName(const QString& source) {
    const QString name = QFileInfo(source).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot > 0 ? name.left(dot) : name) + QStringLiteral(".mp4");
}

Publisher::Folder Publisher::FolderNamed(const QString& text) {
    QString path = text.trimmed();
    if (path.isEmpty())
        return {{}, QStringLiteral("请先选择输出文件夹。")};
    if (path == u'~' || path.startsWith(QStringLiteral("~/")) || path.startsWith(QStringLiteral("~\\")))
        path = QDir::homePath() + path.mid(1);
    const QString full = platform::FullFolderPath(path);
    if (full.isEmpty())
        return {{}, QStringLiteral("输出文件夹要写完整的路径（从盘符或根目录开始）：") + text.trimmed()};
    return {full, {}};
}

QString Publisher::PrepareFolder(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isDir() && !QDir().mkpath(path)) {
        for (QString up = path; QFileInfo(up).path() != up; up = QFileInfo(up).path())
            if (QFileInfo(up).exists() && !QFileInfo(up).isDir())
                return QStringLiteral("输出文件夹的位置上是一个文件：") + QDir::toNativeSeparators(up);
        return QStringLiteral("无法创建输出文件夹：") + shown;
    }
    // The folder's permissions say less than a try: a network share or an access list may refuse all the
    // same.
    TemporaryResult probe;
    if (!probe.Open(QDir(path)))
        return writeFailure(path, 0, nullptr).failure;
    if (diskFull(path, 0))
        return QStringLiteral("输出文件夹所在的磁盘已满：") + shown;
    return {};
}

void Publisher::RemoveLeftovers(const QString& folder) {
    QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral(".movikon-*.part")}, QDir::Files | QDir::Hidden))
        if (const auto match = kTemporaryName.match(name);
            match.hasMatch() && !platform::IsProcessRunning(match.captured(1).toLongLong()))
            dir.remove(name);
}

Publisher::Publisher(const QString& folder, KeptFiles& kept) : m_folder(folder), m_kept(kept) {
    RemoveLeftovers(m_folder);
    const QDir dir(m_folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (const QByteArray identity = platform::FileIdentity(dir.filePath(name)); !identity.isEmpty())
            m_before.insert(identity, name);
}

QString Publisher::FolderProblem() const {
    return folderGone(m_folder);
}

Publisher::Outcome Publisher::Publish(const QString& result, const QString& source) {
    QFile input(result);
    if (!input.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("编码器没有生成文件。"), false};
    const QDir folder(m_folder);
    TemporaryResult temporary;
    if (!temporary.Open(folder))
        return writeFailure(m_folder, input.size(), nullptr);
    bool copied = true;
    while (copied && !input.atEnd()) {
        const QByteArray block = input.read(kCopyBlock);
        copied = !block.isEmpty() && temporary.file.write(block) == block.size();
    }
    if (copied)
        temporary.file.close(); // a network share may tell of a failed write only now
    if (!copied || temporary.file.error() != QFileDevice::NoError)
        return writeFailure(m_folder, input.size(), &temporary.file);
    const QByteArray published = platform::FileIdentity(temporary.file.fileName());

    const QString stem = ResultName(source).chopped(4);
    for (int number = 1; number <= kMostNumbers; ++number) {
        const QString name =
            fitted(stem, number == 1 ? QStringLiteral(".mp4") : QStringLiteral(" (%1).mp4").arg(number));
        const QString target = folder.filePath(name);
        const QByteArray there = platform::FileIdentity(target);
        if (!there.isEmpty()) {
            // Only an earlier result that held this very name before the batch, and that this run neither
            // queued nor made, gives way; one that cannot (open elsewhere, read-only) keeps its name too. A
            // link is the user's own, whatever it leads to.
            if (QFileInfo(target).isSymLink() || m_kept.Holds(there) ||
                m_before.value(there).compare(name, Qt::CaseInsensitive) != 0 ||
                !CarriesResultMark(target) || !platform::MoveReplacing(temporary.file.fileName(), target))
                continue;
            m_before.remove(there);
        } else {
            const platform::MoveResult move = platform::MoveUnlessTaken(temporary.file.fileName(), target);
            if (move == platform::MoveResult::Taken)
                continue;
            if (move == platform::MoveResult::Failed)
                return writeFailure(m_folder, 0, nullptr);
        }
        temporary.kept = true;
        m_kept.KeepIdentity(published);
        return {QDir::toNativeSeparators(target), {}, false};
    }
    return {
        {}, QStringLiteral("输出文件夹中与“%1”同名的文件太多。").arg(stem + QStringLiteral(".mp4")), false};
}
