// Paints every picture of the program into the folder given as the argument.
#include "res/paint/BitmapPainter.h"
#include "res/paint/IconPainter.h"
#include "res/paint/PaintKit.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <functional>

namespace {

struct IconDesign {
    int id;
    std::function<QImage(int)> paint;
    std::vector<int> sizes;
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ruvex-paint-pictures FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    const std::vector<int> small = {16, 32, 48};
    const IconDesign icons[] = {
        {128, PaintAppIcon, {16, 22, 24, 32, 48, 64, 128, 256}},
        {133, PaintPersonIcon, small},
        {140, PaintDiskIcon, small},
        {150, PaintArchiveIcon, small},
        {151, PaintPictureDocumentIcon, small},
        {152, PaintPaintDocumentIcon, small},
    };
    bool saved = true;
    for (const IconDesign& icon : icons) {
        for (int size : icon.sizes) {
            saved &= SavePicture(icon.paint(size), folder, QStringLiteral("icon-%1-%2.png").arg(icon.id).arg(size));
        }
    }
    saved &= SavePicture(PaintLogo(), folder, QStringLiteral("bitmap-137.png"));
    saved &= SavePicture(PaintCheckBoxes(), folder, QStringLiteral("bitmap-142.png"));
    saved &= SavePicture(PaintTools(), folder, QStringLiteral("bitmap-144.png"));
    saved &= SavePicture(PaintComputerGlobe(), folder, QStringLiteral("bitmap-149.png"));
    if (!saved) {
        std::fprintf(stderr, "ruvex-paint-pictures: cannot write the pictures to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
