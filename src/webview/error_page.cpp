#include "webview/error_page.h"

namespace qvestra::webview {

QByteArray ErrorPage(LoadFailure failure, const QUrl& page, bool retry, int status) {
    QString title, text;
    switch (failure) {
        case LoadFailure::kNoConnection:
            title = QStringLiteral("QVestra に接続できません");
            text = QStringLiteral(
                "QVestra のサーバーにつながりませんでした。"
                "インターネットへの接続を確かめてから、もう一度お試しください。");
            break;
        case LoadFailure::kUnverified:
            title = QStringLiteral("サーバーを確認できません");
            text = QStringLiteral(
                "サーバーの証明書を確認できないため、このページを表示しませんでした。"
                "別のネットワークからもう一度お試しいただくか、"
                "ネットワークの管理者にご相談ください。");
            break;
        case LoadFailure::kServiceError:
            title = QStringLiteral("サーバーのエラー");
            text = QStringLiteral(
                       "QVestra のサーバーがエラー（%1）を返しました。"
                       "しばらく待ってから、もう一度お試しください。")
                       .arg(status);
            break;
        case LoadFailure::kNotThere:
            title = QStringLiteral("ページがありません");
            text = QStringLiteral(
                "このページは、まだこのコンピューターに保存されていません。"
                "インターネットに接続してから、QVestra を起動し直してください。");
            break;
    }
    const QString link = retry ? QStringLiteral("<p><a class=\"retry\" href=\"%1\">再試行</a></p>")
                                     .arg(QString::fromLatin1(page.toEncoded()).toHtmlEscaped())
                               : QString();
    return QStringLiteral(
               "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"UTF-8\"><title>%1</title>"
               "<style>body{margin:0;background:#efefef;font-family:sans-serif;color:#202020}"
               "h1{margin:0;padding:8px 20px;background:#1f3f9f;color:#fff;font-size:18px;"
               "font-weight:normal}p{margin:16px 20px;font-size:15px;line-height:1.6}"
               "a.retry{display:inline-block;padding:6px 28px;border:1px solid #8c8c8c;"
               "background:#f8f8f8;color:#202020;text-decoration:none}</style></head>"
               "<body><h1>%1</h1><p>%2</p>%3</body></html>")
        .arg(title, text, link)
        .toUtf8();
}

}  // namespace qvestra::webview
