// Cost of one window message from the post to the receiving window's handler,
// and of the title lookup a sender makes once.

#include "platform/window_bus.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

// The bus needs an event loop and a private runtime folder of its own.
QCoreApplication& application()
{
    static QTemporaryDir runtime;
    static int argc = 1;
    static char name[] = "window_bus_bench";
    static char* argv[] = {name, nullptr};
    ::setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    static QCoreApplication app(argc, argv);
    return app;
}

void BM_PostToHandler(benchmark::State& state)
{
    application();
    platform::WindowMessageReceiver receiver;
    std::int64_t received = 0;
    receiver.setHandler([&](const platform::WindowMessage&) {
        ++received;
        return true;
    });
    if (!receiver.registerWindow(QStringLiteral("Benchmark window"))) {
        state.SkipWithError(receiver.errorString().toStdString().c_str());
        return;
    }
    const platform::WindowHandle window = receiver.socketPath();
    std::int64_t posted = 0;
    for (auto _ : state) {
        platform::postMessage(window, platform::WM_USER, 8, posted++);
        while (received < posted)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    state.SetItemsProcessed(received);
}
BENCHMARK(BM_PostToHandler);

void BM_FindWindow(benchmark::State& state)
{
    application();
    platform::WindowMessageReceiver receiver;
    if (!receiver.registerWindow(QStringLiteral("Benchmark window"))) {
        state.SkipWithError(receiver.errorString().toStdString().c_str());
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::findWindow(QStringLiteral("Benchmark window")));
}
BENCHMARK(BM_FindWindow);

} // namespace
