#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "net/plain_get.h"
#include "net/service_endpoint.h"
#include "net/socket.h"
#include "store/data_folder.h"
#include "store/sinks.h"

namespace qvestra::mirror {

using net::Exchange;

// Copies the member's page, the help page and the logo into the data
// folder. The page file first receives the page just read (empty when it did
// not arrive whole); each file is replaced only by a complete successful reply.
void MirrorPages(Exchange exchange, const store::DataFolder& folder, const QString& memberId,
                 const QString& menuPageText);

}  // namespace qvestra::mirror
