#include "graph_image.h"

#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QString>
#include <vector>

#include "graph_painter.h"

namespace orva::graph {

bool SaveGraphBitmap(const GraphModel& model, const std::string& path) {
    if (path.empty()) return false;
    const auto [width, height] = model.PictureSize();
    QImage image(width, height, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        std::vector<Run> scratch;
        PaintGraph(painter, image.rect(), model, scratch);
    }
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!image.save(&file, "BMP")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace orva::graph
