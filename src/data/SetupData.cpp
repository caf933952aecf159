#include "data/SetupData.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "Version.h"
#include "data/ItemTable.h"

namespace voran {

namespace {

// Day 0 of an OLE Automation date: 30 December 1899.
const qint64 kOleEpoch = QDate(1899, 12, 30).toJulianDay();
constexpr long long kMsPerDay = 86'400'000;

std::int32_t valueAt(const SetupData& d, int i) {
    return i < static_cast<int>(d.Value.size()) ? d.Value[static_cast<std::size_t>(i)] : 0;
}

}  // namespace

std::string ProgramVersion() {
    return "VORAN_R" + std::to_string(VORAN_VERSION_MAJOR) + "." +
           std::to_string(VORAN_VERSION_MINOR) + "." + std::to_string(VORAN_VERSION_PATCH);
}

void CopySetupData(SetupData& destination, const SetupData& source) {
    // Every member is held by value, so assignment copies the tables'
    // contents; nothing is shared between the records.
    destination = source;
}

void SetupTables::BuildDefaults(const DateTime& now) {
    // A fresh record has 78 empty items, zero PLS offset, program and speed
    // compensation, and channels 2 to 7 not in use.
    SetupData d;
    d.Version = ProgramVersion();
    d.Stamp = ToOleDate(now);
    d.ChannelCount = 8;
    d.ScaleFactor = 360;
    d.Setpoint[0] = {180, 240};
    d.Setpoint[1] = {90, 270};

    for (int i = items::kAll.first; i <= items::kAll.last; ++i) {
        const auto k = static_cast<std::size_t>(i);
        d.Address[k] = items::ItemAddress(i);
        d.Value[k] = items::ItemDefault(i);
    }

    DefaultData = d;
    CopySetupData(CurrentData, DefaultData);
    CopySetupData(SavedData, DefaultData);
    FileUnnamed = true;
}

bool SetupTables::HasUnsavedChanges() const {
    for (int i = 0; i <= LastItemIndex; ++i)
        if (valueAt(CurrentData, i) != valueAt(SavedData, i)) return true;
    return CurrentData.Version != ProgramVersion() || CurrentData.Setpoint != SavedData.Setpoint;
}

double StampOf(DateTime now) {
    now.millisecond = 0;
    return ToOleDate(now);
}

double ToOleDate(const DateTime& dt) {
    const qint64 days = QDate(dt.year, dt.month, dt.day).toJulianDay() - kOleEpoch;
    const double ms = ((dt.hour * 60.0 + dt.minute) * 60.0 + dt.second) * 1000.0 + dt.millisecond;
    const double fraction = ms / static_cast<double>(kMsPerDay);
    // Before the epoch the whole part counts backwards but the fraction is
    // still the time of day: 29 Dec 1899 06:00 is -1.25.
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

DateTime FromOleDate(double ole) {
    if (!std::isfinite(ole)) return DateTime{};
    long long days = static_cast<long long>(std::trunc(ole));
    long long ms = std::llround(std::fabs(ole - static_cast<double>(days)) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        ++days;
    }
    DateTime dt;
    QDate::fromJulianDay(days + kOleEpoch).getDate(&dt.year, &dt.month, &dt.day);
    dt.hour = static_cast<int>(ms / 3'600'000);
    dt.minute = static_cast<int>(ms / 60'000 % 60);
    dt.second = static_cast<int>(ms / 1000 % 60);
    dt.millisecond = static_cast<int>(ms % 1000);
    return dt;
}

std::string GeneralDate(const DateTime& dt) {
    const QLocale locale;
    QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    if (!dateFormat.contains(QLatin1String("yyyy")))
        dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (!timeFormat.contains(QLatin1Char('s'))) {
        const qsizetype m = timeFormat.lastIndexOf(QLatin1String("mm"));
        if (m >= 0) timeFormat.insert(m + 2, QLatin1String(":ss"));
    }
    // Some locales separate the time from AM/PM by a narrow no-break space;
    // the date text ends up in plain text files, so keep it to a blank.
    const auto plain = [](QString s) {
        s.replace(QChar(0x202F), QLatin1Char(' '));
        s.replace(QChar(0x00A0), QLatin1Char(' '));
        return s;
    };

    const bool hasDate = !(dt.year == 1899 && dt.month == 12 && dt.day == 30);
    const bool hasTime = dt.hour != 0 || dt.minute != 0 || dt.second != 0;
    QString text;
    // The bare epoch at midnight shows as the time alone, "12:00:00 AM".
    if (hasDate) text = plain(locale.toString(QDate(dt.year, dt.month, dt.day), dateFormat));
    if (hasTime || !hasDate) {
        if (!text.isEmpty()) text += QLatin1Char(' ');
        text += plain(locale.toString(QTime(dt.hour, dt.minute, dt.second), timeFormat));
    }
    return text.toStdString();
}

}  // namespace voran
