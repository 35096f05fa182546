// The least a Qt program does to show a window: the yardstick for the
// program's own start.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Bare"));
    QMainWindow window;
    window.resize(640, 480);
    window.show();
    return QApplication::exec();
}
