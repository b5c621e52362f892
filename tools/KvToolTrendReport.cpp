#include "KvToolTrendReport.h"

#include "FileNames.h"
#include "KvToolMeter.h"
#include "SafeFile.h"
#include "TrendReport.h"

#include <QBuffer>

#include <filesystem>

namespace kv {

std::string writeTrendPicture(const SessionSeries& series, const std::string& title,
                              const std::vector<std::string>& skipped, const std::string& path) {
    ensureGuiApplication();
    const TrendReport report(TrendInput{title, series, skipped});
    QByteArray bytes;
    if (hasExtension(std::filesystem::path(path).filename().string(), ".png")) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!report.image(0).save(&buffer, "PNG")) return "the picture could not be made";
    } else {
        bytes = report.pdf();
    }
    // Written whole or not at all, never over a read-only or special file.
    if (const auto e = replaceFileContents(
            path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
            path))
        return e->description;
    return {};
}

} // namespace kv
