#pragma once

// Small file chores of the tests.
#include "conv/ConvProtocol.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTest>
#include <QtEndian>

inline void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(content);
}

// Paths in the system's own form, as the program shows and queues them ("\\" on Windows).
inline QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}
inline QStringList native(const QStringList& paths) {
    QStringList converted;
    for (const QString& path : paths)
        converted << native(path);
    return converted;
}

// The file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every entry of a folder, hidden ones and broken links too, by name.
inline QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// The bytes of a file that carries conv's mark, as its results do: an index naming the mark's key, `body`
// inside it.
inline QByteArray markedResult(const QByteArray& body) {
    const auto bigEndian = [](qsizetype value) {
        QByteArray bytes(4, '\0');
        qToBigEndian(quint32(value), bytes.data());
        return bytes;
    };
    const QByteArray key = kResultMarkKey.toLatin1();
    const QByteArray entry = bigEndian(8 + key.size()) + "mdta" + key;
    return bigEndian(8 + entry.size() + body.size()) + "moov" + entry + body;
}
