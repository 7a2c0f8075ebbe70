#include "mocks/FakePrompt.h"
#include "mocks/FakeTrackerController.h"
#include "recorder/Gazelog.h"
#include "recorder/gopro/GoproController.h"
#include "sim/gopro/GoproCameraStandIn.h"
#include "ui_Gazelog.h"

#include <gtest/gtest.h>

namespace {

class GazelogGoproTest : public ::testing::Test
{
protected:
    void open(quint16 port)
    {
        GazelogServices services;
        services.prompt = &prompt;
        services.makeController = [](int, OperatorPrompt& p, QObject* parent) {
            return new FakeTrackerController(p, parent);
        };
        services.playerPath = QStringLiteral("/bin/true");
        services.makeGopro = [port](QObject* parent) {
            GoproTimings fast;
            fast.pauseAfterReplyMs = 0;
            fast.probeTimeoutMs = 300;
            return new GoproController(GoproEndpoint{QStringLiteral("127.0.0.1:%1").arg(port), 1}, fast,
                                       parent);
        };
        window = std::make_unique<Gazelog>(QString(), std::move(services));
    }

    FakePrompt prompt;
    std::unique_ptr<Gazelog> window;
};

} // namespace

TEST_F(GazelogGoproTest, CheckingTheBoxWithoutACameraUnchecksItAgain)
{
    GoproCameraStandIn camera;
    const quint16 port = camera.listen();
    camera.close(); // nothing listens there any more
    open(port);
    window->form()->checkBoxUseGoProCamera->setChecked(true);
    EXPECT_FALSE(window->form()->checkBoxUseGoProCamera->isChecked());
    EXPECT_FALSE(window->form()->buttonGoProPreview->isEnabled());
    EXPECT_EQ(prompt.warnings.last(),
              "Error|GoPro camera is not avaible! \nCheck wifi connection and GoPro camera.");
}

TEST_F(GazelogGoproTest, AReachableCameraIsConfiguredWithThePasswordAndEnablesItsButtons)
{
    GoproCameraStandIn camera;
    camera.setPassword("secret");
    open(camera.listen());
    window->form()->lineEditGoProPassword->setText("secret");
    window->form()->checkBoxUseGoProCamera->setChecked(true);
    EXPECT_TRUE(window->form()->checkBoxUseGoProCamera->isChecked());
    EXPECT_TRUE(window->form()->buttonGoProPreview->isEnabled());
    EXPECT_TRUE(window->form()->buttonGoProMovies->isEnabled());
    EXPECT_EQ(camera.commands().size(), 4);

    window->form()->checkBoxUseGoProCamera->setChecked(false);
    EXPECT_FALSE(window->form()->buttonGoProMovies->isEnabled());
}

TEST_F(GazelogGoproTest, AWrongPasswordKeepsTheButtonsAsTheyWere)
{
    GoproCameraStandIn camera;
    camera.setPassword("secret");
    open(camera.listen());
    window->form()->checkBoxUseGoProCamera->setChecked(true);
    EXPECT_EQ(prompt.warnings.last(),
              "Error|Failed to configure GoPro camera! \nRequired version is at least GoPro Hero 3.");
    EXPECT_FALSE(window->form()->buttonGoProPreview->isEnabled());
}
