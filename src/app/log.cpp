#include "app/log.h"

namespace qvestra {

Q_LOGGING_CATEGORY(lcApp, "qvestra.app")

}  // namespace qvestra
