#include "graph_image.h"

#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QString>
#include <vector>

#include "graph_painter.h"
#include "save_file_open.h"

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
    QSaveFile file;
    std::string reason;
    if (!orva::files::OpenForSaving(file, path, reason)) return fail(QString::fromStdString(reason));
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
