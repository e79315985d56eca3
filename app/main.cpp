#include "app/Program.h"
#include "platform/Platform.h"
#include "window/QtUserDialogs.h"
#include "window/Skin.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("movikon"));
    QApplication::setApplicationVersion(QStringLiteral(MOVIKON_VERSION));
    // Chinese captions read best in a CJK face.
    if (QFontDatabase::families().contains(QStringLiteral("WenQuanYi Micro Hei")))
        QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));

    QApplication::setWindowIcon(SkinIcon());

    QtUserDialogs desktop;
    Program program(desktop, {platform::ProgramFolder()});
    frmMain& window = program.Window();
    // Asked to end from outside (SIGTERM, SIGINT, SIGHUP: a logout, a shutdown, kill; Ctrl+C in a console):
    // a close other than the close mark, so the encoder stops, nothing partial stays, the settings are kept
    // as they were.
    platform::OnTerminationRequest([&window] { window.close(); });
    window.show();
    return app.exec();
}
