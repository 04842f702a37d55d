// The smallest tray program the toolkit makes: one icon, nothing else. bench/idle_tray.py
// sets appVTR's start-up time and idle cost beside this one's.

#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QPixmap square(16, 16);
    square.fill(Qt::darkBlue);
    QSystemTrayIcon icon{QIcon(square)};
    icon.show();
    return app.exec();
}
