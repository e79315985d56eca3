#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// What conv's command line (ConvUsage below) asks for.
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

// The usage line conv prints when its arguments are not usable.
QString ConvUsage();
