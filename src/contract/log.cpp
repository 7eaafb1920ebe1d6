#include "contract/log.h"

namespace qvestra::contract {

Q_LOGGING_CATEGORY(lcContract, "qvestra.contract")

}  // namespace qvestra::contract
