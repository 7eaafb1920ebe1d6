#pragma once

#include <QString>
#include <optional>

namespace qvestra::store {

// A short answer from the service, read as the client reads the user file:
// its first line's first field.
QString AnswerField(const std::string& answer);

// "key=record" with a record in the user file's layout (member ID, "|", one
// digit): the record. The key must equal requiredKey unless that is empty.
// Anything else: nothing.
std::optional<QString> KeyedRecord(const QString& field, const QString& requiredKey);

}  // namespace qvestra::store
