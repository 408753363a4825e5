#include "platform/ftp/TransferControl.h"

#include "platform/Failure.h"

struct TransferControl::Impl {};

TransferControl::TransferControl(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {}
TransferControl::~TransferControl() = default;
void TransferControl::Execute(const QString&, const FtpOperation&) {
    throw Failure(QStringLiteral("not available yet"));
}
int TransferControl::ResponseCode() const {
    return 0;
}
QString TransferControl::ResponseInfo() const {
    return {};
}
QString TransferControl::GetChunk(int) {
    return {};
}
bool TransferControl::StillExecuting() const {
    return false;
}
void TransferControl::setTimeouts(int, int) {}
