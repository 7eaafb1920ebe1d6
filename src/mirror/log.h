#pragma once

#include <QLoggingCategory>

namespace qvestra::mirror {

// The mirror library's messages: "qvestra.mirror" in QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcMirror)

}  // namespace qvestra::mirror
