#pragma once

#include <QString>
#include <QTime>

namespace qvestra::core {

// The time of day with every ":" as "-", always two digits each:
// 14:05:07 gives "14-05-07", 9:05:07 gives "09-05-07".
inline QString TimeOfDayStamp(const QTime& time) {
    return time.toString(QStringLiteral("HH-mm-ss"));
}

}  // namespace qvestra::core
