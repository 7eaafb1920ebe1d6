#include "webengine/local_pages.h"

#include <QBuffer>
#include <QPointer>
#include <QRegularExpression>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "webview/navigation_rule.h"

namespace qvestra::webengine {

namespace {

constexpr qint64 kMaxPageBytes = 16 * 1024 * 1024;
constexpr qint64 kMaxLogoBytes = 1024 * 1024;

const QString kLogoPath = QStringLiteral("/images/LOGO_Movei.gif");
// The host of the pages the program makes itself.
const QString kMadeHost = QStringLiteral("made");

struct FdCloser {
    int fd = -1;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

void RegisterLocalScheme() {
    QWebEngineUrlScheme scheme(webview::kLocalScheme.toLatin1());
    // A host per page gives each its own origin. No local flag: such a page
    // cannot reach file:// addresses.
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QByteArray WithLocalPolicy(const QByteArray& html) {
    static const QByteArray kPolicy =
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src " +
        webview::kLocalScheme.toLatin1() +
        ": 'unsafe-inline' data:; connect-src 'none'; object-src 'none'; base-uri 'none'; "
        "form-action 'none'\">";
    // The policy goes before every byte of the page, so nothing the page
    // holds can move it out of the head. Only the rendering mode is taken
    // from the page: a document type line of plain characters at its start
    // is repeated in front, so a page that renders in standards mode online
    // does so here too. Whatever else the page starts with, the policy
    // still comes first.
    // One a thread: the pages are read, and this runs, off the window's
    // thread, and a pattern is only reentrant.
    static thread_local const QRegularExpression kDocumentType(
        QStringLiteral("^[ \\t\\n\\f\\r]*(<!doctype[ \\t\\n\\f\\ra-z0-9\"'/.:_-]{0,200}>)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto type = kDocumentType.match(QString::fromLatin1(html.left(256)));
    return (type.hasMatch() ? type.captured(1).toLatin1() : QByteArray()) + kPolicy + html;
}

std::optional<QByteArray> ReadInside(const std::filesystem::path& folder,
                                     const std::filesystem::path& relative, qint64 maxBytes) {
    FdCloser at{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (at.fd < 0) return std::nullopt;
    for (auto part = relative.begin(); part != relative.end(); ++part) {
        const bool last = std::next(part) == relative.end();
        const int flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | (last ? O_NONBLOCK : O_DIRECTORY);
        FdCloser next{::openat(at.fd, part->c_str(), flags)};
        if (next.fd < 0) return std::nullopt;
        std::swap(at.fd, next.fd);
    }
    struct stat info {};
    if (::fstat(at.fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > maxBytes)
        return std::nullopt;
    QByteArray bytes(static_cast<qsizetype>(info.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            ::read(at.fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

QUrl LocalPages::Publish(const std::filesystem::path& page) {
    auto known = std::find(pages_.begin(), pages_.end(), page);
    if (known == pages_.end()) known = pages_.insert(pages_.end(), page);
    QUrl url;
    url.setScheme(webview::kLocalScheme);
    url.setHost(QStringLiteral("page%1").arg(known - pages_.begin()));
    url.setPath(u'/' + QString::fromStdString(page.filename().string()));
    return url;
}

QUrl LocalPages::Make(const QString& name, QByteArray html) {
    made_[name] = std::move(html);
    QUrl url;
    url.setScheme(webview::kLocalScheme);
    url.setHost(kMadeHost);
    url.setPath(u'/' + name);
    return url;
}

LocalPages::LocalPages() {
    // One reader: a page's logo is asked for only once the page has come, so
    // a second would have nothing to do; and no more than one page of the
    // largest size is held at a time.
    reader_.setMaxThreadCount(1);
}

// Waits for the read that runs: a local file of at most the page's limit
// (16 MiB) is read in a moment. Its answer, queued to this object, goes with
// it.
LocalPages::~LocalPages() { reader_.waitForDone(); }

void LocalPages::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl url = job->requestUrl();
    const QString host = url.host();
    if (host == kMadeHost) {
        const auto made = made_.find(url.path().mid(1));
        if (made == made_.end()) return job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        auto* buffer = new QBuffer(job);
        buffer->setData(WithLocalPolicy(made->second));
        job->reply("text/html; charset=UTF-8", buffer);
        return;
    }
    bool known = false;
    const qsizetype index = host.startsWith(u"page") ? host.mid(4).toLongLong(&known) : -1;
    if (!known || index < 0 || index >= static_cast<qsizetype>(pages_.size())) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    const std::filesystem::path& page = pages_[static_cast<std::size_t>(index)];
    const QString path = url.path();
    const bool isPage = path == u'/' + QString::fromStdString(page.filename().string());
    if (!isPage && path.compare(kLogoPath, Qt::CaseInsensitive) != 0) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The mirror's own charset, fixed: a page cannot switch it to one that
    // reads the policy in front as text.
    const QByteArray type = isPage ? "text/html; charset=Shift_JIS" : "image/gif";
    const std::filesystem::path relative =
        isPage ? page.filename() : std::filesystem::path(kLogoPath.mid(1).toStdString());
    reader_.start([this, job = QPointer(job), folder = page.parent_path(), relative, isPage, type] {
        std::optional<QByteArray> body =
            ReadInside(folder, relative, isPage ? kMaxPageBytes : kMaxLogoBytes);
        if (body && isPage) body = WithLocalPolicy(*body);
        QMetaObject::invokeMethod(
            this,
            [job, body = std::move(body), type] {
                // A request whose page went meanwhile was dropped with its
                // job: nobody waits for the answer.
                if (!job) return;
                if (!body) {
                    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
                    return;
                }
                auto* buffer = new QBuffer(job);
                buffer->setData(*body);
                job->reply(type, buffer);
            },
            Qt::QueuedConnection);
    });
}

}  // namespace qvestra::webengine
