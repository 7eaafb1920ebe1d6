#include "net/log.h"

namespace qvestra::net {

Q_LOGGING_CATEGORY(lcNet, "qvestra.net")

}  // namespace qvestra::net
