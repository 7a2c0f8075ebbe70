#include "recorder/trackers/PupilController.h"
#include "ControllerSignals.h"
#include "TestEnvironment.h"
#include "common/PupilUnit.h"
#include "mocks/CalibratingPupilStandIn.h"
#include "mocks/FakePrompt.h"
#include "player/data/TimeLine.h"
#include "recorder/trackers/ResultsFile.h"
#include "sim/pupil/PupilCaptureStandIn.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <sstream>

using namespace std::chrono_literals;

namespace {

constexpr int screenWidth = 1920;
constexpr int screenHeight = 1080;

struct ResultLine
{
    long long time = 0;
    long long x = 0;
    long long y = 0;
    double pupil = 0;
};

// The data lines of a results file, as written.
std::vector<ResultLine> dataLines(const std::string& text)
{
    std::vector<ResultLine> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line.rfind("time_ms", 0) == 0)
            continue;
        ResultLine parsed;
        char separator = 0;
        long long blink = 0;
        std::istringstream fields(line);
        fields >> parsed.time >> separator >> parsed.x >> separator >> parsed.y >> separator >> blink >>
            separator >> parsed.pupil;
        lines.push_back(parsed);
    }
    return lines;
}

class PupilControllerTest : public ::testing::Test
{
protected:
    // Records through the stand-in until `samples` are stored; answers the results file's data lines
    // and what the stand-in published.
    std::pair<std::vector<ResultLine>, std::vector<sim::PupilCaptureStandIn::Published>>
    record(sim::PupilOptions options, std::size_t samples)
    {
        options.remotePort = 0;
        options.screenWidth = screenWidth;
        options.screenHeight = screenHeight;
        sim::PupilCaptureStandIn standIn(options);
        std::string error;
        EXPECT_TRUE(standIn.start(error)) << error;
        PupilSettings settings;
        settings.address = QStringLiteral("127.0.0.1:%1").arg(standIn.remotePort());
        PupilController controller(prompt, settings);
        controller.setScreenSize({screenWidth, screenHeight});
        controller.setClientTimings(1000ms, 200ms, 50ms);
        ControllerSignals reported(&controller);
        controller.tryConnectToServer();
        EXPECT_TRUE(QTest::qWaitFor([&] { return reported.connected(); }, 5000));
        controller.startExamination();
        controller.setSynchronizationTime(0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return controller.gazePoints().size() >= samples; }, 10000));
        controller.disconnectFromServer();
        const auto path = folder / "results.csv";
        EXPECT_EQ(controller.writeResults(QString::fromStdString(path.string()), {},
                                          QRect(0, 0, screenWidth, screenHeight)),
                  "");
        resultsPath = path;
        return {dataLines(testing_support::readFile(path)), standIn.published()};
    }

    FakePrompt prompt;
    testing_support::TempDir folder;
    std::filesystem::path resultsPath;
};

TEST_F(PupilControllerTest, SamplesLieWhereTheStandInPutTheGazeWithYFlippedAtTheDevicesRate)
{
    sim::PupilOptions options;
    options.rate = 200;
    const auto [lines, published] = record(options, 300);
    ASSERT_GE(lines.size(), 300u);

    // The recorded samples are a run of what was published, in order: find where it starts.
    const auto expectedX = [](const sim::PupilCaptureStandIn::Published& p) {
        return static_cast<long long>(std::trunc(static_cast<float>(p.x * screenWidth) / screenWidth * 1e6));
    };
    // The first line with a position (the recording may begin in a blink) and what was put there.
    const auto firstValid = static_cast<std::size_t>(
        std::find_if(lines.begin(), lines.end(), [](const ResultLine& line) { return line.x != -1; }) -
        lines.begin());
    ASSERT_LT(firstValid, lines.size());
    auto matched = std::find_if(published.begin(), published.end(), [&](const auto& p) {
        return p.confidence >= 0.6 && std::llabs(expectedX(p) - lines[firstValid].x) <= 1;
    });
    ASSERT_NE(matched, published.end());
    ASSERT_GE(matched - published.begin(), static_cast<std::ptrdiff_t>(firstValid));
    const auto first = matched - static_cast<std::ptrdiff_t>(firstValid);
    std::size_t compared = 0;
    int lost = 0;
    for (std::size_t i = 0; i < lines.size() && first + i != published.end(); ++i, ++compared) {
        const auto& put = first[i];
        if (put.confidence < 0.6) {
            EXPECT_EQ(lines[i].x, -1) << "sample " << i << " below the minimum confidence is lost";
            ++lost;
            continue;
        }
        EXPECT_NEAR(lines[i].x, put.x * 1e6, 2) << "sample " << i;
        EXPECT_NEAR(lines[i].y, (1.0 - put.y) * 1e6, 2) << "sample " << i;
        // The 3d detector's diameter in millimetres, as 100 nm units.
        EXPECT_GT(lines[i].pupil, 10000) << "sample " << i;
    }
    EXPECT_GE(compared, 250u);
    // At 200 Hz the samples are 5 ms apart on the movie's clock (Pupil time, not arrival time).
    std::vector<long long> steps;
    for (std::size_t i = 1; i < lines.size(); ++i)
        steps.push_back(lines[i].time - lines[i - 1].time);
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2),
                     steps.end());
    EXPECT_EQ(steps[steps.size() / 2], 5);
}

TEST_F(PupilControllerTest, AFileOfMillimetresSaysSoAndIsReadBackInMillimetres)
{
    for (const bool threeD : {true, false}) {
        sim::PupilOptions options;
        options.rate = 200;
        options.threeD = threeD;
        const auto [lines, published] = record(options, 100);
        const std::string text = testing_support::readFile(resultsPath);
        EXPECT_EQ(text.find(std::string(PupilUnit::millimetresLine) + '\n') != std::string::npos, threeD)
            << "3d: " << threeD << "\n"
            << text.substr(0, 300);
        // Read back by the player's reader; samples stamped before the movie's start are left out.
        std::istringstream in(text);
        std::string kept, line;
        std::size_t samples = 0;
        while (std::getline(in, line))
            if (line.empty() || line[0] != '-') {
                kept += line + '\n';
                samples += !line.empty() && std::isdigit(static_cast<unsigned char>(line[0]));
            }
        TimeLine timeLine;
        ASSERT_EQ(timeLine.loadText(kept), TimeLine::Loaded);
        EXPECT_EQ(timeLine.size(), samples) << "the line is a comment to every reader";
        EXPECT_EQ(timeLine.pupilUnit(),
                  threeD ? PupilUnit::Unit::millimetres : PupilUnit::Unit::trackerUnits);
    }
}

TEST_F(PupilControllerTest, UnsureOrOffSurfaceGazeIsWrittenAsLostSamples)
{
    for (const bool lowConfidence : {true, false}) {
        sim::PupilOptions options;
        options.lowConfidence = lowConfidence;
        options.offSurface = !lowConfidence;
        const auto [lines, published] = record(options, 40);
        ASSERT_GE(lines.size(), 40u);
        for (const ResultLine& line : lines) {
            EXPECT_EQ(line.x, -1);
            EXPECT_EQ(line.y, -1);
        }
    }
}

TEST_F(PupilControllerTest, DataGoingBackwardsOrMalformedNeverBreaksTheOrderOfSamples)
{
    sim::PupilOptions options;
    options.backwardsEvery = 7;
    options.malformedEvery = 5;
    const auto [lines, published] = record(options, 100);
    ASSERT_GE(lines.size(), 100u);
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_LT(lines[i - 1].time, lines[i].time);
}

TEST_F(PupilControllerTest, CalibrationOutcomeAndUnreachableCaptureAreReported)
{
    for (const bool succeeds : {true, false}) {
        std::unique_ptr<sim::PupilCaptureStandIn> standIn;
        ASSERT_TRUE(startCalibratingPupilStandIn(standIn, succeeds));
        PupilSettings settings;
        settings.address = QStringLiteral("127.0.0.1:%1").arg(standIn->remotePort());
        PupilController controller(prompt, settings);
        ControllerSignals reported(&controller);
        controller.runCalibration();
        ASSERT_FALSE(reported.calibrations.empty());
        EXPECT_EQ(reported.calibrations.back().second, PupilController::calibrationFailed) << "not connected";
        controller.tryConnectToServer();
        ASSERT_TRUE(QTest::qWaitFor([&] { return reported.connected(); }, 5000));
        EXPECT_TRUE(controller.isReadyForExamination());
        controller.runCalibration();
        EXPECT_EQ(reported.calibrations.back().second, PupilController::calibrationRunning);
        EXPECT_FALSE(controller.isReadyForExamination()) << "while Pupil Capture calibrates";
        const int outcome =
            succeeds ? PupilController::calibrationSucceeded : PupilController::calibrationFailed;
        EXPECT_TRUE(QTest::qWaitFor([&] { return reported.calibrations.back().second == outcome; }, 5000));
        EXPECT_TRUE(controller.isReadyForExamination());
    }

    PupilSettings nowhere;
    nowhere.address = QStringLiteral("127.0.0.1:not-a-port");
    PupilController invalid(prompt, nowhere);
    ControllerSignals invalidReported(&invalid);
    invalid.tryConnectToServer();
    ASSERT_FALSE(invalidReported.trackerStates.empty());
    EXPECT_EQ(invalidReported.trackerStates.back(), PupilController::stateBadAddress);

    // A port the stand-in had and gave up: nothing answers there.
    PupilSettings silent;
    {
        sim::PupilOptions options;
        options.remotePort = 0;
        sim::PupilCaptureStandIn gone(options);
        std::string error;
        ASSERT_TRUE(gone.start(error)) << error;
        silent.address = QStringLiteral("127.0.0.1:%1").arg(gone.remotePort());
    }
    PupilController unreachable(prompt, silent);
    unreachable.setClientTimings(200ms, 100ms, 50ms);
    ControllerSignals unreachableReported(&unreachable);
    unreachable.tryConnectToServer();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !unreachableReported.trackerStates.empty() &&
                   unreachableReported.trackerStates.back() == PupilController::stateUnreachable;
        },
        5000));
    EXPECT_FALSE(unreachable.isReadyForExamination());
}

TEST_F(PupilControllerTest, ALostPupilCaptureIsShownAndConnectedAgainWhenItReturns)
{
    sim::PupilOptions options;
    options.remotePort = 0;
    auto standIn = std::make_unique<sim::PupilCaptureStandIn>(options);
    std::string error;
    ASSERT_TRUE(standIn->start(error)) << error;
    const unsigned short port = standIn->remotePort();
    PupilSettings settings;
    settings.address = QStringLiteral("127.0.0.1:%1").arg(port);
    PupilController controller(prompt, settings);
    controller.setClientTimings(300ms, 100ms, 50ms);
    ControllerSignals reported(&controller);
    controller.tryConnectToServer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.connected(); }, 5000));

    standIn.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reported.connected(); }, 5000));
    EXPECT_EQ(reported.trackerStates.back(), PupilController::stateLost);
    EXPECT_FALSE(controller.isReadyForExamination());

    options.remotePort = port;
    sim::PupilCaptureStandIn back(options);
    ASSERT_TRUE(back.start(error)) << error;
    EXPECT_TRUE(QTest::qWaitFor([&] { return reported.connected(); }, 5000));
    EXPECT_EQ(reported.trackerStates.back(), PupilController::stateConnected);
    EXPECT_TRUE(controller.isReadyForExamination());
}

TEST(PupilSettings, FileValuesThenTheEnvironmentAndNothingInvalid)
{
    testing_support::TempDir folder;
    const auto file = folder / "Gazelog.ini";
    testing_support::ScopedEnv env;
    env.set(PupilSettings::addressVariable, std::nullopt);
    EXPECT_EQ(PupilSettings::load(file), PupilSettings()) << "defaults without a file";

    PupilSettings edited;
    edited.address = QStringLiteral("127.0.0.7:50021");
    edited.surface = QStringLiteral("cinema screen");
    edited.minConfidence = 0.75;
    ASSERT_TRUE(edited.save(file));
    EXPECT_EQ(PupilSettings::load(file), edited);

    testing_support::writeFile(file, "[Pupil]\naddress=host:99999\nsurface=\nminConfidence=1.5\n");
    EXPECT_EQ(PupilSettings::load(file), PupilSettings()) << "each bad value keeps its default";

    env.set(PupilSettings::addressVariable, "127.0.0.1:6000");
    const PupilSettings overridden = PupilSettings::load(file);
    EXPECT_EQ(overridden.address, "127.0.0.1:6000");
    EXPECT_TRUE(overridden.addressFromEnvironment);
    ASSERT_TRUE(overridden.save(file));
    env.set(PupilSettings::addressVariable, std::nullopt);
    EXPECT_EQ(PupilSettings::load(file).address, "127.0.0.1:50020") << "an override is never written back";
}

} // namespace
