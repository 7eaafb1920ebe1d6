#include "net/socket.h"

namespace qvestra::net {

const char* ResultText(int result) {
    switch (result) {
        case kOk:
            return "stopped by its reader";
        case kNotConnected:
            return "not connected";
        case kResolveFailed:
            return "name not found";
        case kConnectFailed:
            return "connection refused or failed";
        case kTimedOut:
            return "timed out";
        case kClosed:
            return "ended";
        case kIoError:
            return "broken off";
        case kLineTooLong:
        case kHeaderTooLong:
            return "header too long";
        case kAborted:
            return "cancelled";
        case kTooSlow:
            return "too slow";
        case kUnverified:
            return "not verified";
        default:
            return "failed";
    }
}

}  // namespace qvestra::net
