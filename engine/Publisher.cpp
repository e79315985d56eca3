#include "Publisher.h"

#include "Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStorageInfo>

#include <memory>

namespace {
constexpr qint64 kCopyBlock = 1 << 20;
constexpr int kMostNumbers = 9999; // "name (9999).mp4" is the last name tried

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
            m_replaceable.insert(identity);
}

Publisher::Outcome Publisher::Publish(const QString& result, const QString& source) {
    QFile input(result);
    if (!input.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("编码器没有生成文件。")};
    const QDir folder(m_folder);
    if (!folder.exists())
        return {{}, WriteFailure(input.size(), {})};

    TemporaryResult temporary;
    do
        temporary.file.setFileName(folder.filePath(
            QStringLiteral(".movikon-%1.part").arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'))));
    while (!temporary.file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && temporary.file.exists());
    if (!temporary.file.isOpen()) {
        temporary.file.setFileName({});
        return {{}, WriteFailure(input.size(), {})};
    }
    bool copied = true;
    while (copied && !input.atEnd()) {
        const QByteArray block = input.read(kCopyBlock);
        copied = !block.isEmpty() && temporary.file.write(block) == block.size();
    }
    if (!copied || !temporary.file.flush())
        return {{}, WriteFailure(input.size(), temporary.file.errorString())};
    temporary.file.close();

    const QString name = ResultName(source);
    const QString stem = name.chopped(4);
    for (int number = 1; number <= kMostNumbers; ++number) {
        const QString target =
            folder.filePath(number == 1 ? name : QStringLiteral("%1 (%2).mp4").arg(stem, QString::number(number)));
        const QByteArray there = platform::FileIdentity(target);
        bool moved = false;
        if (!there.isEmpty()) {
            if (!m_replaceable.contains(there) || m_untouchable.contains(there))
                continue;
            moved = platform::MoveReplacing(temporary.file.fileName(), target);
        } else {
            const platform::MoveResult move = platform::MoveUnlessTaken(temporary.file.fileName(), target);
            if (move == platform::MoveResult::Taken)
                continue;
            moved = move == platform::MoveResult::Moved;
        }
        if (!moved)
            return {{}, WriteFailure(0, {})};
        temporary.kept = true;
        m_untouchable.insert(platform::FileIdentity(target));
        return {QDir::toNativeSeparators(target), {}};
    }
    return {{}, QStringLiteral("输出文件夹中与“%1”同名的文件太多。").arg(name)};
}

QString Publisher::WriteFailure(qint64 needed, const QString& said) const {
    const QString folder = QDir::toNativeSeparators(m_folder);
    const QFileInfo info(m_folder);
    if (!info.isDir())
        return QStringLiteral("输出文件夹不存在：") + folder;
    if (!info.isWritable())
        return QStringLiteral("没有权限写入输出文件夹：") + folder;
    // Asked while what was written of the result still takes its room.
    const QStorageInfo disk(m_folder);
    if (disk.isValid() && disk.bytesAvailable() < needed + kCopyBlock)
        return QStringLiteral("输出文件夹所在的磁盘已满：") + folder;
    return QStringLiteral("无法写入输出文件夹：") + folder + (said.isEmpty() ? QString() : u'（' + said + u'）');
}
