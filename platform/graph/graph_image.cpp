#include "graph_image.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QString>
#include <vector>

#include "graph_painter.h"
#include "saved_file.h"

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
    // Made whole in memory first (a few hundred KiB), then written as the CSV report is.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "BMP"))
        return fail(QStringLiteral("The picture could not be made"));
    try {
        orva::files::SavedFile file(path);
        file.Open();
        file.Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        file.Commit();
    } catch (const orva::files::FileError& e) {
        return fail(QString::fromStdString(e.reason()));
    }
    return true;
}

}  // namespace orva::graph
