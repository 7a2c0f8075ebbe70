#include "recorder/gopro/GoproEndpoint.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"

#include <QUrl>

namespace {

constexpr char addressVariable[] = "GAZELOG_GOPRO_ADDRESS";
constexpr char mediaPortVariable[] = "GAZELOG_GOPRO_MEDIA_PORT";

} // namespace

GoproEndpoint GoproEndpoint::cameraDefault()
{
    return {QStringLiteral("10.5.5.9"), 8080};
}

bool GoproEndpoint::isValidAddress(const QString& address)
{
    if (address.isEmpty())
        return false;
    const QUrl url(QStringLiteral("http://") + address + QStringLiteral("/"), QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty() && url.userInfo().isEmpty() &&
           url.path() == QStringLiteral("/") && !url.hasQuery() && !url.hasFragment() && url.port() != 0;
}

GoproEndpoint GoproEndpoint::fromEnvironment()
{
    GoproEndpoint endpoint = cameraDefault();
    if (qEnvironmentVariableIsSet(addressVariable)) {
        const QString address = qEnvironmentVariable(addressVariable).trimmed();
        if (isValidAddress(address)) {
            endpoint.address = address;
        } else {
            LOG("Invalid camera address in ", addressVariable, ": \"", address,
                "\" - the camera is not used");
            endpoint.address.clear();
        }
    }
    if (qEnvironmentVariableIsSet(mediaPortVariable)) {
        const QString text = qEnvironmentVariable(mediaPortVariable).trimmed();
        bool ok = false;
        const uint port = text.toUInt(&ok);
        if (ok && port > 0 && port <= 65535) {
            endpoint.mediaPort = static_cast<quint16>(port);
        } else {
            LOG("Invalid camera media port in ", mediaPortVariable, ": \"", text, "\" - keeping ",
                endpoint.mediaPort);
        }
    }
    LOG("camera address: ", endpoint.address, ", media port: ", endpoint.mediaPort);
    return endpoint;
}
