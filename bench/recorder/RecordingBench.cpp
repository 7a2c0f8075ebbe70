// The recording program's work for each sample of a 60 Hz tracker, from the
// pushed frame's text to the point in the controller and its log line, with the
// log file and the console mirror written as in an examination.

#include "common/Logger.h"
#include "recorder/gtl/MessageDecoder.h"
#include "recorder/gtl/MessageFramer.h"
#include "recorder/trackers/EyeTribeController.h"
#include "recorder/trackers/OperatorPrompt.h"
#include "sim/eyetribe/TrackerModel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int trackerHz = 60;
constexpr int periodMs = 1000 / trackerHz;

class SilentPrompt : public OperatorPrompt
{
public:
    void warning(const QString&, const QString&) override {}
    bool question(const QString&, const QString&) override { return true; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
};

// The recorder's log in a file of its own for one benchmark, with the console
// mirror sent where a console's bytes would go, without filling this program's output.
class BenchLog
{
public:
    explicit BenchLog(const std::string& name)
        : path_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()) + ".log")),
          console_("/dev/null"), standardOutput_(std::cout.rdbuf(console_.rdbuf()))
    {
        Logger::open(recorderLogStyle(), path_);
    }
    ~BenchLog()
    {
        close();
        std::filesystem::remove(path_);
    }
    BenchLog(const BenchLog&) = delete;
    BenchLog& operator=(const BenchLog&) = delete;

    // Ends the log; whether a sample's line was written to it.
    bool closeAndFindASample()
    {
        close();
        std::ifstream written(path_);
        const std::string text((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
        return text.find(" gaze point added to vector. Data: ") != std::string::npos;
    }

private:
    void close()
    {
        if (standardOutput_ == nullptr)
            return;
        std::cout.rdbuf(standardOutput_);
        standardOutput_ = nullptr;
        Logger::instance().close();
    }

    std::filesystem::path path_;
    std::ofstream console_;
    std::streambuf* standardOutput_;
};

// An hour of frames at 60 Hz; each iteration takes the next.
void RecordingPerSample_60Hz(benchmark::State& state)
{
    static const std::vector<std::string> texts = [] {
        sim::TrackerModel model(sim::ServerOptions{},
                                sim::GazePath::synthetic(3, trackerHz, 1920, 1080, 10000));
        std::vector<std::string> all;
        for (int i = 0; i < 600; ++i)
            all.push_back(model.nextFrameMessage(i * periodMs) + '\n');
        return all;
    }();
    BenchLog log("gaze-recording-bench");

    SilentPrompt prompt;
    EyeTribeController controller(prompt);
    qint64 now = 1000000;
    controller.setWallClock([&now] { return now; });
    controller.startExamination();
    controller.setSynchronizationTime(0);
    gtl::MessageFramer framer;
    const gtl::TrackerValues values;
    const gtl::ScreenSetup screen;
    int frame = 0;
    for (auto _ : state) {
        now += periodMs;
        framer.append(texts[static_cast<size_t>(frame++) % texts.size()]);
        const auto message = framer.next();
        const auto decoded = gtl::decodeMessage(*message, values, screen);
        if (!decoded || !decoded->valueSet || !decoded->valueSet->framePresent) {
            state.SkipWithError("a frame did not decode");
            break;
        }
        controller.on_gaze_data(decoded->valueSet->frame);
    }
    state.SetItemsProcessed(state.iterations());
    // The share of one core the samples take at the tracker's rate, in per cent.
    state.counters["core_at_60Hz_%"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / (trackerHz * 100.0),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    if (!log.closeAndFindASample())
        state.SkipWithError("no sample was kept");
}
BENCHMARK(RecordingPerSample_60Hz)->Iterations(3600 * trackerHz)->Unit(benchmark::kMicrosecond);

// The whole of it as it happens: the tracker stand-in (a process of its own, not
// counted) pushes 60 frames a second for twenty seconds to a connected
// controller in an examination; the share of a core this process takes,
// threads and event loop included.
void RecordingLive_60Hz_20s(benchmark::State& state)
{
    QProcess server;
    server.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/EyeTribe/Server/EyeTribe"),
                 {QStringLiteral("--port=0"), QStringLiteral("--framerate=60")});
    if (!server.waitForStarted(5000) || !server.waitForReadyRead(5000)) {
        state.SkipWithError("the tracker stand-in did not start (build the EyeTribe target)");
        return;
    }
    const QString banner = QString::fromUtf8(server.readLine());
    const unsigned short port =
        banner.section(QLatin1Char(':'), 1).section(QLatin1Char(' '), 0, 0).toUShort();
    BenchLog log("gaze-recording-live-bench");
    {
        SilentPrompt prompt;
        EyeTribeController controller(prompt);
        controller.setPort(port);
        std::atomic<bool> connected{false};
        QEventLoop waiting;
        QObject::connect(&controller, &EyeTrackerController::connectionStateChanged, &waiting,
                         [&connected, &waiting](bool now) {
                             connected = now;
                             waiting.quit();
                         });
        QTimer::singleShot(5000, &waiting, &QEventLoop::quit);
        controller.tryConnectToServer();
        waiting.exec();
        if (!connected) {
            state.SkipWithError("no connection to the tracker stand-in");
        } else {
            controller.startExamination();
            // The player reports its time now and then; here every second.
            QTimer player;
            QObject::connect(&player, &QTimer::timeout, [&controller] {
                controller.setSynchronizationTime(QDateTime::currentMSecsSinceEpoch() % 1000000000);
            });
            player.start(1000);
            controller.setSynchronizationTime(QDateTime::currentMSecsSinceEpoch() % 1000000000);
            for (auto _ : state) {
                rusage before{};
                ::getrusage(RUSAGE_SELF, &before);
                QElapsedTimer wall;
                wall.start();
                QEventLoop loop;
                QTimer::singleShot(20000, &loop, &QEventLoop::quit);
                loop.exec();
                rusage after{};
                ::getrusage(RUSAGE_SELF, &after);
                const auto seconds = [](const rusage& r) {
                    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
                           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
                };
                state.counters["core_%"] = (seconds(after) - seconds(before)) /
                                           (static_cast<double>(wall.nsecsElapsed()) / 1e9) * 100.0;
            }
            controller.disconnectFromServer();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        }
    }
    if (!log.closeAndFindASample())
        state.SkipWithError("no sample was kept");
    server.terminate();
    server.waitForFinished(5000);
}
BENCHMARK(RecordingLive_60Hz_20s)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
