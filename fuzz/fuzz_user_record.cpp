// Invariant: an answer or record the client accepts has the user file's
// layout (member ID, "|", one digit), a member ID that is one plain path
// component, and a member number of digits without leading zeros; writing it
// and reading it back gives the same parts.
#include <cstdlib>

#include "core/cp932.h"
#include "store/answers.h"
#include "store/data_folder.h"
#include "store/user_file.h"

namespace {

using namespace qvestra::store;

void Check(bool holds) {
    if (!holds) std::abort();
}

void CheckAccepted(const QString& record) {
    const auto parts = ParseUserRecord(record);
    if (!parts) return;
    Check(record == parts->memberId + u'|' + parts->status);
    Check(parts->status.size() == 1 && parts->status[0].isDigit());
    Check(IsPlainComponent(parts->memberId.toStdString()));
    Check(parts->memberNumber == QStringLiteral("0") ||
          (!parts->memberNumber.isEmpty() && !parts->memberNumber.startsWith(u'0')));
    for (QChar c : parts->memberNumber) Check(c >= u'0' && c <= u'9');
    // What the user file would hold reads back as the same record.
    const QString stored =
        FirstField(qvestra::core::DecodeCp932(qvestra::core::EncodeCp932(record)));
    Check(stored == record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string answer(reinterpret_cast<const char*>(data), size);
    const QString field = AnswerField(answer);
    CheckAccepted(field);
    for (const QString& key : {QStringLiteral("USERID"), QString()}) {
        if (const auto record = KeyedRecord(field, key)) {
            Check(ParseUserRecord(*record).has_value());
            CheckAccepted(*record);
        }
    }
    return 0;
}
