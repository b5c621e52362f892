#include "RecordingFile.h"

namespace kv {

std::chrono::year_month_day dateFromDayNumber(std::int32_t day) {
    using namespace std::chrono;
    return year_month_day{sys_days{year{1999} / December / 31} + days{day}};
}

std::chrono::year_month_day RecordingFile::RecordingDate() const {
    return dateFromDayNumber(RecordingDay);
}

} // namespace kv
