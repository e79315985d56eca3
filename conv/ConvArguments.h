#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// What `conv -i <input> -b <kbit/s> -y -r <fps> -s <WxH> -ab <kbit/s> <output>` asks for.
struct ConvArguments {
    QString input;
    int videoKbps = 0;
    QString frameRate; // handed on as written: 25.0 stays 25.0
    QSize frameSize;
    int audioKbps = 0;
    QString output;
    bool overwrite = false; // -y: replace an existing output
};

// Reads conv's arguments (without the program name). Empty, with `error` set, when they are not usable.
std::optional<ConvArguments> ParseConvArguments(const QStringList& arguments, QString* error);

inline const QString kConvUsage = QStringLiteral(
    "usage: conv -i <input> -b <video kbit/s> -y -r <fps> -s <width>x<height> -ab <audio kbit/s> <output>");
