#include "ReviewRows.h"

#include "PlayTime.h"

namespace kv {

bool hasOwnRow(const ReviewMark& mark) {
    return mark.kind == MarkKind::Note || mark.kind == MarkKind::Artifact ||
           mark.kind == MarkKind::Added;
}

QString markCaption(const ReviewMark& mark) {
    switch (mark.kind) {
    case MarkKind::Note:
        return QStringLiteral("Note");
    case MarkKind::Artifact:
        return QStringLiteral("Artifact");
    default:
        return QStringLiteral("Reaction");
    }
}

QString markRowText(const ReviewMark& mark, const std::vector<SampleRecord>& records,
                    std::int32_t totalTimeMs) {
    QString out;
    if (mark.endRecord > mark.record && mark.endRecord <= static_cast<std::int32_t>(records.size()))
        out = QStringLiteral("to ") +
              QString::fromStdString(Format_PlayTime(
                  records[static_cast<std::size_t>(mark.endRecord - 1)].TimeMs / 1000,
                  totalTimeMs)) +
              QStringLiteral(": ");
    if (mark.kind == MarkKind::Added)
        out += mark.text.empty() ? QStringLiteral("added by hand")
                                 : QStringLiteral("added by hand: ");
    QString text = QString::fromStdString(mark.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" \u23CE "));
    text.replace(QLatin1Char('\n'), QStringLiteral(" \u23CE "));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    out += text;
    if (out.endsWith(QStringLiteral(": "))) out.chop(2);
    return out;
}

ReviewLook reviewLook(const ReviewNotes* notes, const RecordingEvent& event) {
    ReviewLook look;
    if (!notes || event.kind != EventKind::Reaction) return look;
    const auto review = reviewOf(*notes, event.record);
    if (review == MarkKind::Rejected) {
        look.suffix = QStringLiteral(" (rejected)");
        look.struckThrough = look.uncounted = true;
    } else if (inArtifact(*notes, event.record)) {
        look.suffix = QStringLiteral(" (in artifact)");
        look.uncounted = true;
    } else if (review == MarkKind::Confirmed) {
        look.suffix = QStringLiteral(" (confirmed)");
    }
    return look;
}

} // namespace kv
