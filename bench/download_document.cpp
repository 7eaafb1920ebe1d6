// Fetches one document through the client's own download code (the fetch
// and the progress window the menu build uses, the window on the offscreen
// platform) and prints the wall time and the process's peak memory.
// Usage: download_document HOST PORT DOCUMENT_NAME FOLDER [http|https]
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <string>

#include <sys/resource.h>

#include "documents/download.h"
#include "net/http_text.h"
#include "net/tcp_socket.h"

int main(int argc, char* argv[]) {
    const bool tls = argc == 6 && std::string(argv[5]) == "https";
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr,
                     "usage: download_document HOST PORT DOCUMENT_NAME FOLDER [http|https]\n");
        return 2;
    }
    QApplication app(argc, argv);
    const qvestra::net::ServiceEndpoint endpoint{
        argv[1], std::stoi(argv[2]), std::nullopt,
        tls ? qvestra::net::Scheme::kHttps : qvestra::net::Scheme::kHttp};
    qvestra::net::TcpSocket socket;
    const qvestra::store::DataFolder folder{std::filesystem::path(argv[4])};

    const auto start = std::chrono::steady_clock::now();
    qvestra::documents::ProgressWindow progress(qvestra::ui::TwipScale(15), QStringLiteral("bench"),
                                                {});
    const auto outcome = qvestra::documents::FetchDocument(
        {socket, endpoint}, folder, QStringLiteral("/") + QString::fromUtf8(argv[3]), {},
        [&progress](std::int64_t received, std::optional<std::int64_t> announced) {
            progress.Report(received, announced);
        });
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s %.3f %lld %ld\n", outcome.stored ? "stored" : "failed", seconds,
                static_cast<long long>(outcome.received), usage.ru_maxrss);
    return outcome.stored ? 0 : 1;
}
