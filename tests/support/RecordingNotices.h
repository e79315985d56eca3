#pragma once

#include "engine/UserNotices.h"

#include <QRegularExpression>
#include <QStringList>

// Stands in for the person: records every box, folder and sound instead of showing or playing it.
template <class Base> class Recorder : public Base {
  public:
    void ShowError(const QString& text) override { events << QStringLiteral("error:") + text; }
    void ShowWarning(const QString& title, const QString& text) override {
        events << QStringLiteral("warning:%1:%2").arg(title, text);
    }
    void ShowReport(const QString& summary, const QStringList& details) override {
        events << QStringLiteral("report:") + summary + u'\n' + details.join(u'\n');
    }
    void Open(const QString& pathOrUrl) override { events << QStringLiteral("open:") + pathOrUrl; }
    void PlaySound(const QString& path) override { events << QStringLiteral("sound:") + path; }

    // The recorded events that start with `prefix`.
    QStringList Only(const QString& prefix) const { return events.filter(QRegularExpression("^" + prefix)); }

    QStringList events;
};

using RecordingNotices = Recorder<UserNotices>;
