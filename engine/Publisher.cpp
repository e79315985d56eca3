#include "engine/Publisher.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStorageInfo>

namespace {
constexpr qint64 kCopyBlock = 1 << 20;
constexpr int kMostNumbers = 9999; // "name (9999).mp4" is the last name tried
// What every file system takes in one name, in bytes of UTF-8 (which is never shorter than UTF-16).
constexpr qsizetype kLongestName = 255;

// `stem` and `ending` as one name, the stem shortened (never inside a character) until it fits.
QString fitted(QString stem, const QString& ending) {
    while (!stem.isEmpty() && (stem + ending).toUtf8().size() > kLongestName)
        stem.chop(stem.size() >= 2 && stem.back().isLowSurrogate() ? 2 : 1);
    return stem + ending;
}

// A file in the output folder that is removed unless it is let go.
struct TemporaryResult {
    QFile file;
    bool kept = false;
    ~TemporaryResult() {
        if (!kept && !file.fileName().isEmpty())
            file.remove();
    }
};
} // namespace

QString ResultName(const QString& source) {
    const QString name = QFileInfo(source).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot > 0 ? name.left(dot) : name) + QStringLiteral(".mp4");
}

Publisher::Publisher(const QString& outputFolder, const QStringList& sources) : m_folder(outputFolder) {
    for (const QString& source : sources)
        if (const QByteArray identity = platform::FileIdentity(source); !identity.isEmpty())
            m_untouchable.insert(identity);
    const QDir folder(m_folder);
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (const QByteArray identity = platform::FileIdentity(folder.filePath(name)); !identity.isEmpty())
            m_replaceable.insert(identity, name);
}

Publisher::Outcome Publisher::Publish(const QString& result, const QString& source) {
    QFile input(result);
    if (!input.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("编码器没有生成文件。")};
    const QDir folder(m_folder);
    if (!folder.exists())
        return {{}, WriteFailure(input.size(), nullptr)};

    TemporaryResult temporary;
    do
        temporary.file.setFileName(
            folder.filePath(QStringLiteral(".movikon-%1.part")
                                .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'))));
    while (!temporary.file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && temporary.file.exists());
    if (!temporary.file.isOpen()) {
        temporary.file.setFileName({});
        return {{}, WriteFailure(input.size(), nullptr)};
    }
    bool copied = true;
    while (copied && !input.atEnd()) {
        const QByteArray block = input.read(kCopyBlock);
        copied = !block.isEmpty() && temporary.file.write(block) == block.size();
    }
    if (copied)
        temporary.file.close(); // a network share may tell of a failed write only now
    if (!copied || temporary.file.error() != QFileDevice::NoError)
        return {{}, WriteFailure(input.size(), &temporary.file)};
    const QByteArray published = platform::FileIdentity(temporary.file.fileName());

    const QString stem = ResultName(source).chopped(4);
    for (int number = 1; number <= kMostNumbers; ++number) {
        const QString name =
            fitted(stem, number == 1 ? QStringLiteral(".mp4") : QStringLiteral(" (%1).mp4").arg(number));
        const QString target = folder.filePath(name);
        const QByteArray there = platform::FileIdentity(target);
        if (!there.isEmpty()) {
            // Only a file that held this very name before the batch, and is none of its sources, gives way;
            // one that cannot (open elsewhere, read-only) keeps its name too.
            if (m_untouchable.contains(there) ||
                m_replaceable.value(there).compare(name, Qt::CaseInsensitive) != 0 ||
                !platform::MoveReplacing(temporary.file.fileName(), target))
                continue;
            m_replaceable.remove(there);
        } else {
            const platform::MoveResult move = platform::MoveUnlessTaken(temporary.file.fileName(), target);
            if (move == platform::MoveResult::Taken)
                continue;
            if (move == platform::MoveResult::Failed)
                return {{}, WriteFailure(0, nullptr)};
        }
        temporary.kept = true;
        m_untouchable.insert(published);
        return {QDir::toNativeSeparators(target), {}};
    }
    return {{}, QStringLiteral("输出文件夹中与“%1”同名的文件太多。").arg(stem + QStringLiteral(".mp4"))};
}

QString Publisher::WriteFailure(qint64 needed, const QFileDevice* written) const {
    const QString folder = QDir::toNativeSeparators(m_folder);
    const QFileInfo info(m_folder);
    if (!info.isDir())
        return QStringLiteral("输出文件夹不存在：") + folder;
    if (!info.isWritable())
        return QStringLiteral("没有权限写入输出文件夹：") + folder;
    // Asked while what was written of the result still takes its room.
    const QStorageInfo disk(m_folder);
    if ((written && written->error() == QFileDevice::ResourceError) ||
        (disk.isValid() && disk.bytesAvailable() < needed))
        return QStringLiteral("输出文件夹所在的磁盘已满：") + folder;
    return QStringLiteral("无法写入输出文件夹：") + folder +
           (written ? u'（' + written->errorString() + u'）' : QString());
}
