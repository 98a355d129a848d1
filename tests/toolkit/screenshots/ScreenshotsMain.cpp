// Renders the widget kit offscreen to PNG files for people to look at.
//   toolkit-screenshots FOLDER     writes every scene into FOLDER
//   toolkit-screenshots --list     names the files a run writes
//   toolkit-screenshots --check F  fails when F is missing, unreadable or one flat colour
#include "tests/toolkit/screenshots/Scenes.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstring>

namespace {

bool IsBlank(const QImage& image) {
    if (image.isNull()) return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != first) return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2 && !(argc == 3 && std::strcmp(argv[1], "--check") == 0)) {
        std::fprintf(stderr, "usage: toolkit-screenshots FOLDER | --list | --check FILE\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--check") == 0) {
        const QImage image(QString::fromLocal8Bit(argv[2]));
        if (!IsBlank(image)) return 0;
        std::fprintf(stderr, "%s is missing or blank\n", argv[2]);
        return 1;
    }
    const std::vector<Scene> scenes = AllScenes();
    if (std::strcmp(argv[1], "--list") == 0) {
        for (const Scene& scene : scenes) std::printf("%s\n", qPrintable(scene.fileName));
        return 0;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());
    int failures = 0;
    for (const Scene& scene : scenes) {
        if (!scene.render().save(folder.filePath(scene.fileName), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder.filePath(scene.fileName)));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
