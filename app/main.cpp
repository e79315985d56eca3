#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Movikon PRO"));
    window.resize(294, 420);
    window.show();
    return app.exec();
}
