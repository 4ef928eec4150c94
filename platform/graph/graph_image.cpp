#include "graph_image.h"

#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QString>
#include <vector>

#include "graph_painter.h"

namespace orva::graph {

bool SaveGraphBitmap(const GraphModel& model, const std::string& path, std::string* error) {
    const auto fail = [&](const QString& reason) {
        if (error) *error = reason.toStdString();
        return false;
    };
    if (path.empty()) return fail(QStringLiteral("No file name"));
    const auto [width, height] = model.PictureSize();
    QImage image(width, height, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        std::vector<Run> scratch;
        PaintGraph(painter, image.rect(), model, scratch);
    }
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    if (!image.save(&file, "BMP")) {
        const QString reason =
            file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("Write error");
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

}  // namespace orva::graph
