#include "net/tls_session.h"

#include <cerrno>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

namespace qvestra::net {

namespace {

struct ContextDeleter {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};

// One for the process: the trust is read once, at the first TLS connection.
SSL_CTX* ClientContext() {
    static const std::unique_ptr<SSL_CTX, ContextDeleter> context = [] {
        std::unique_ptr<SSL_CTX, ContextDeleter> made(SSL_CTX_new(TLS_client_method()));
        if (!made) return made;
        SSL_CTX_set_min_proto_version(made.get(), TLS1_2_VERSION);
        // The server verified once; a new handshake in the middle of a
        // reply is refused.
        SSL_CTX_set_options(made.get(), SSL_OP_NO_RENEGOTIATION);
        SSL_CTX_set_verify(made.get(), SSL_VERIFY_PEER, nullptr);
        // The system's trust store, and the file or folder that OpenSSL's
        // own variables (SSL_CERT_FILE, SSL_CERT_DIR) name for a run.
        SSL_CTX_set_default_verify_paths(made.get());
        return made;
    }();
    return context.get();
}

// The socket's bytes, sent without SIGPIPE: a server that hangs up while a
// request is on its way must fail the exchange, not end the program.
int SendWithoutSignal(BIO* bio, const char* data, int size) {
    BIO_clear_retry_flags(bio);
    const ssize_t sent =
        ::send(BIO_get_fd(bio, nullptr), data, static_cast<std::size_t>(size), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

int Receive(BIO* bio, char* data, int size) {
    BIO_clear_retry_flags(bio);
    const ssize_t received =
        ::recv(BIO_get_fd(bio, nullptr), data, static_cast<std::size_t>(size), 0);
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_read(bio);
    return static_cast<int>(received);
}

const BIO_METHOD* SocketWithoutSignal() {
    static BIO_METHOD* const method = [] {
        const BIO_METHOD* socket = BIO_s_socket();
        BIO_METHOD* made = BIO_meth_new(BIO_TYPE_SOCKET, "socket without SIGPIPE");
        if (made == nullptr) return made;
        BIO_meth_set_write(made, SendWithoutSignal);
        BIO_meth_set_read(made, Receive);
        BIO_meth_set_ctrl(made, BIO_meth_get_ctrl(socket));
        BIO_meth_set_create(made, BIO_meth_get_create(socket));
        BIO_meth_set_destroy(made, BIO_meth_get_destroy(socket));
        return made;
    }();
    return method;
}

bool IsAddress(const std::string& name) {
    X509_VERIFY_PARAM* probe = X509_VERIFY_PARAM_new();
    const bool address =
        probe != nullptr && X509_VERIFY_PARAM_set1_ip_asc(probe, name.c_str()) == 1;
    X509_VERIFY_PARAM_free(probe);
    return address;
}

}  // namespace

std::string TlsLibraryVersion() { return OpenSSL_version(OPENSSL_VERSION); }

struct TlsSession::Connection {
    ~Connection() { SSL_free(ssl); }
    SSL* ssl = nullptr;
    // Once TLS failed, no end of it is said.
    bool sound = true;
    std::string reason;
};

const std::string& TlsSession::FailureReason() const { return connection_->reason; }

TlsSession::TlsSession(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection)) {}

TlsSession::~TlsSession() = default;

std::unique_ptr<TlsSession> TlsSession::Start(int fd, const std::string& serverName) {
    SSL_CTX* context = ClientContext();
    const BIO_METHOD* method = SocketWithoutSignal();
    if (context == nullptr || method == nullptr || serverName.empty()) return nullptr;
    auto connection = std::make_unique<Connection>();
    connection->ssl = SSL_new(context);
    BIO* bio = BIO_new(method);
    if (connection->ssl == nullptr || bio == nullptr) {
        BIO_free(bio);
        return nullptr;
    }
    BIO_set_fd(bio, fd, BIO_NOCLOSE);
    SSL_set_bio(connection->ssl, bio, bio);
    SSL* ssl = connection->ssl;
    // An address is checked against the certificate's addresses; a name
    // against its names, sent as the server name too (never an address).
    X509_VERIFY_PARAM* expected = SSL_get0_param(ssl);
    if (IsAddress(serverName)) {
        if (X509_VERIFY_PARAM_set1_ip_asc(expected, serverName.c_str()) != 1) return nullptr;
    } else {
        X509_VERIFY_PARAM_set_hostflags(expected, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        if (SSL_set1_host(ssl, serverName.c_str()) != 1 ||
            SSL_set_tlsext_host_name(ssl, serverName.c_str()) != 1)
            return nullptr;
    }
    SSL_set_connect_state(ssl);
    return std::unique_ptr<TlsSession>(new TlsSession(std::move(connection)));
}

IoStep TlsSession::Step(int returned, std::size_t bytes, bool handshaking) const {
    if (returned == 1) return {IoStep::kDone, bytes};
    switch (SSL_get_error(connection_->ssl, returned)) {
        case SSL_ERROR_WANT_READ:
            return {IoStep::kWantRead};
        case SSL_ERROR_WANT_WRITE:
            return {IoStep::kWantWrite};
        case SSL_ERROR_ZERO_RETURN:
            if (!handshaking) return {IoStep::kPeerClosed};
            break;
        case SSL_ERROR_SSL: {
            // A certificate that does not verify, and bytes that are no
            // TLS (a plain HTTP answer), both end here.
            connection_->sound = false;
            const long verified = SSL_get_verify_result(connection_->ssl);
            char text[256] = "";
            ERR_error_string_n(ERR_peek_last_error(), text, sizeof text);
            connection_->reason =
                verified != X509_V_OK ? X509_verify_cert_error_string(verified) : text;
            return {handshaking ? IoStep::kUnverified : IoStep::kFailed};
        }
        default:
            break;
    }
    connection_->sound = false;
    return {IoStep::kFailed};
}

IoStep TlsSession::Handshake() {
    ERR_clear_error();
    return Step(SSL_connect(connection_->ssl), 0, true);
}

IoStep TlsSession::Read(char* data, std::size_t size) {
    // One call gives one record (16 KiB at most): the space offered is
    // filled with as many as have come, as one read of the socket would.
    std::size_t filled = 0;
    for (;;) {
        ERR_clear_error();
        std::size_t read = 0;
        const int returned = SSL_read_ex(connection_->ssl, data + filled, size - filled, &read);
        filled += read;
        if (returned != 1 || filled == size) {
            // What stopped the reading comes again at the next read.
            return filled > 0 ? IoStep{IoStep::kDone, filled} : Step(returned, 0, false);
        }
    }
}

IoStep TlsSession::Write(const char* data, std::size_t size) {
    ERR_clear_error();
    std::size_t written = 0;
    const int returned = SSL_write_ex(connection_->ssl, data, size, &written);
    return Step(returned, written, false);
}

void TlsSession::Close() {
    if (!connection_->sound) return;
    ERR_clear_error();
    SSL_shutdown(connection_->ssl);
    connection_->sound = false;
}

}  // namespace qvestra::net
