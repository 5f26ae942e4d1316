// quorvel-icon SIZE FILE: writes the emblem the login screen draws as a PNG icon of
// SIZE pixels square. The build makes the package's icon with it, so the desktop
// entry shows the same emblem as the lock, from the same drawing code.
#include <QGuiApplication>
#include <cstdio>
#include <string>

#include "login/frmstartArtwork.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvel-icon SIZE FILE\n");
        return 2;
    }
    // Drawing needs no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const int size = std::stoi(argv[1]);
    if (!quorvel::ui::LoginEmblem(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "quorvel-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
