#include "signin/log.h"

namespace qvestra::signin {

Q_LOGGING_CATEGORY(lcSignin, "qvestra.signin")

}  // namespace qvestra::signin
