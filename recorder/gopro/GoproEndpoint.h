#pragma once

#include <QString>
#include <QtGlobal>

// Where the camera answers. The camera serves its commands on its access-point
// address and its live preview and movie folder on a second port of the same host.
struct GoproEndpoint
{
    // "host" or "host:port" of the command server; empty means "nowhere": every
    // request fails and the camera is never reachable.
    QString address;
    // Port of the live preview and the movie folder on the same host.
    quint16 mediaPort = 8080;

    // The address the camera has on its own access point.
    static GoproEndpoint cameraDefault();

    // The camera default, overridden by GAZELOG_GOPRO_ADDRESS ("host" or
    // "host:port") and GAZELOG_GOPRO_MEDIA_PORT. A malformed override is logged
    // and gives the empty address, so that a mistyped override never falls back
    // to the real camera.
    static GoproEndpoint fromEnvironment();

    // True for "host" or "host:port" with nothing else in it (no path, query, user).
    static bool isValidAddress(const QString& address);
};
