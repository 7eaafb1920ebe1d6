#include "store/answers.h"

#include <QStringList>

#include "core/cp932.h"
#include "net/http_text.h"
#include "store/sinks.h"
#include "store/user_file.h"

namespace qvestra::store {

ShortAnswer FetchShortAnswer(net::Socket& socket, const net::ServiceEndpoint& endpoint,
                             std::string request,
                             const std::optional<std::filesystem::path>& localCopy) {
    constexpr int kTimeoutSeconds = 10;
    ShortAnswerSink sink(localCopy);
    const auto result =
        net::PlainGet(socket, endpoint, {std::move(request), kTimeoutSeconds}, sink);
    ShortAnswer answer{result.ConnectResult == net::kOk, result.ConnectResult == net::kUnverified,
                       std::nullopt};
    if (sink.Answer()) answer.field = AnswerField(*sink.Answer());
    return answer;
}

QString AnswerField(const std::string& answer) {
    const auto end = answer.find_first_of("\r\n");
    const std::string line = answer.substr(0, end);
    return FirstField(
        core::DecodeCp932(QByteArrayView(line.data(), static_cast<qsizetype>(line.size()))));
}

std::optional<QString> KeyedRecord(const QString& field, const QString& requiredKey) {
    const QStringList pieces = field.split(u'=');
    if (pieces.size() < 2) return std::nullopt;
    if (!requiredKey.isEmpty() && pieces[0] != requiredKey) return std::nullopt;
    if (!ParseUserRecord(pieces[1])) return std::nullopt;
    return pieces[1];
}

}  // namespace qvestra::store
