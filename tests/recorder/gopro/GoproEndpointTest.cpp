#include "recorder/gopro/GoproEndpoint.h"
#include "recorder/gopro/GoproController.h"

#include <QNetworkReply>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Sets or clears an environment variable for the life of the object.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, std::optional<QByteArray> value) : name_(name)
    {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedVariable() { qunsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
};

} // namespace

TEST(GoproEndpoint, EnvironmentOverridesTheCameraAddressOnlyWithAWellFormedValue)
{
    const QString cameraAddress = GoproEndpoint::cameraDefault().address;
    struct Case
    {
        std::optional<QByteArray> address;
        std::optional<QByteArray> mediaPort;
        QString expectedAddress;
        quint16 expectedMediaPort;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, cameraAddress, 8080},
        {"127.0.0.1:5000", "5001", QStringLiteral("127.0.0.1:5000"), 5001},
        {" localhost ", std::nullopt, QStringLiteral("localhost"), 8080},
        {"[::1]:80", std::nullopt, QStringLiteral("[::1]:80"), 8080},
        // A mistyped override must never fall back to the real camera.
        {"", std::nullopt, QString(), 8080},
        {"127.0.0.1:99999", std::nullopt, QString(), 8080},
        {"127.0.0.1:0", std::nullopt, QString(), 8080},
        {"127.0.0.1/camera", std::nullopt, QString(), 8080},
        {"user@127.0.0.1", std::nullopt, QString(), 8080},
        {"127.0.0.1?x=1", std::nullopt, QString(), 8080},
        {"127.0.0.1:5000", "port", QStringLiteral("127.0.0.1:5000"), 8080},
        {"127.0.0.1:5000", "70000", QStringLiteral("127.0.0.1:5000"), 8080},
    };
    for (const Case& c : cases) {
        ScopedVariable address("GAZELOG_GOPRO_ADDRESS", c.address);
        ScopedVariable mediaPort("GAZELOG_GOPRO_MEDIA_PORT", c.mediaPort);
        const GoproEndpoint endpoint = GoproEndpoint::fromEnvironment();
        EXPECT_EQ(endpoint.address, c.expectedAddress) << c.address.value_or("(unset)").constData();
        EXPECT_EQ(endpoint.mediaPort, c.expectedMediaPort) << c.mediaPort.value_or("(unset)").constData();
    }
}

TEST(GoproEndpoint, ControllerWithoutUsableAddressFailsWithoutContactingAnything)
{
    ScopedVariable address("GAZELOG_GOPRO_ADDRESS", QByteArray("not a host:port/"));
    GoproController controller;
    ASSERT_TRUE(controller.address().isEmpty());
    int opened = 0;
    controller.setUrlOpener([&opened](const QUrl&) { return ++opened > 0; });

    EXPECT_FALSE(controller.isAvailable());
    EXPECT_FALSE(controller.setRecording(true));
    EXPECT_FALSE(controller.configureCamera(QStringLiteral("lensmatic")));
    controller.showPreview();
    controller.showMovies();
    EXPECT_EQ(opened, 0);
}
