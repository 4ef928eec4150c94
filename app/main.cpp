// Start-up placeholder until the main window is built.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label("ORVA-FG: the main window is not built yet.");
    label.setWindowTitle("ORVA-FG V4.9.01");
    label.resize(420, 80);
    label.show();
    return app.exec();
}
