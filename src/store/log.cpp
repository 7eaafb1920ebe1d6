#include "store/log.h"

namespace qvestra::store {

Q_LOGGING_CATEGORY(lcStore, "qvestra.store")

}  // namespace qvestra::store
