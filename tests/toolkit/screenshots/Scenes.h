#pragma once
// The scenes the screenshot tool renders: each widget of the kit, the mode
// list of the first step and the step dialog around it.
#include <QImage>
#include <QString>

#include <functional>
#include <vector>

struct Scene {
    QString fileName;
    std::function<QImage()> render;
};

std::vector<Scene> AllScenes();
