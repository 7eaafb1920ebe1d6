#include "core/cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace qvestra::core {

namespace {
constexpr const char* kCodePage = "windows-31j";
}

QString DecodeCp932(QByteArrayView bytes) {
    QStringDecoder decoder(kCodePage);
    // Without ICU Qt knows no Shift-JIS; Latin-1 then keeps the ASCII parts usable.
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QByteArray EncodeCp932(const QString& text) {
    QStringEncoder encoder(kCodePage);
    if (!encoder.isValid()) return text.toLatin1();
    return encoder.encode(text);
}

}  // namespace qvestra::core
