#include "documents/log.h"

namespace qvestra::documents {

Q_LOGGING_CATEGORY(lcDocuments, "qvestra.documents")

}  // namespace qvestra::documents
