#include "app/Program.h"
#include "app/SingleInstance.h"
#include "platform/Platform.h"
#include "window/QtUserDialogs.h"
#include "window/Skin.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("movikon"));
    QApplication::setApplicationVersion(QStringLiteral(MOVIKON_VERSION));

    // movikon [FILE|FOLDER]…: queued as a drop would queue them, by the window already running if there is
    // one.
    QStringList given;
    for (const QString& argument : QApplication::arguments().mid(1))
        given << QFileInfo(argument).absoluteFilePath();
    const ProgramPlaces places{platform::ProgramFolder()};
    SingleInstance instance(places.programFolder, places.stagingRoot);
    if (instance.HandOver(given))
        return 0;

    // Chinese captions read best in a CJK face.
    if (QFontDatabase::families().contains(QStringLiteral("WenQuanYi Micro Hei")))
        QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));

    QApplication::setWindowIcon(SkinIcon());

    QtUserDialogs desktop;
    Program program(desktop, places);
    frmMain& window = program.Window();
    QObject::connect(&instance, &SingleInstance::FilesArrived, &window, &frmMain::QueueGiven);
    QObject::connect(&window, &frmMain::Closing, &instance, &SingleInstance::StopServing);
    instance.Serve();
    // Asked to end from outside (SIGTERM, SIGINT, SIGHUP: a logout, a shutdown, kill; Ctrl+C in a console):
    // a close other than the close mark, so the encoder stops, nothing partial stays, the settings are kept
    // as they were.
    platform::OnTerminationRequest([&window] { window.close(); });
    window.show();
    if (!given.isEmpty())
        window.QueueGiven(given);
    return app.exec();
}
