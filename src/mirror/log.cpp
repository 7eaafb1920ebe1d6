#include "mirror/log.h"

namespace qvestra::mirror {

Q_LOGGING_CATEGORY(lcMirror, "qvestra.mirror")

}  // namespace qvestra::mirror
