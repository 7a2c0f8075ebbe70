#include "player/media/FrameDelivery.h"
#include "player/media/MixerBitmap.h"
#include "player/media/VideoPainter.h"

#include <QCoreApplication>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <gst/video/video.h>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kSliderHeight = 22;

GstSample* makeFrameSample()
{
    gst_init(nullptr, nullptr);
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_BGRx, kWidth, kHeight);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    gst_buffer_memset(buffer, 0, 0x5A, GST_VIDEO_INFO_SIZE(&info));
    GstCaps* caps = gst_video_info_to_caps(&info);
    GstSample* sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    gst_buffer_unref(buffer);
    gst_caps_unref(caps);
    return sample;
}

QImage testFrame()
{
    QImage frame(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            frame.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF));
    return frame;
}

// One viewer's gaze: rings on a keyed black ground, a fifth of the video wide.
AlphaBitmap gazeBitmap()
{
    QImage drawing(255, 255, QImage::Format_RGB32);
    drawing.fill(Qt::black);
    QPainter draw(&drawing);
    draw.setPen(Qt::NoPen);
    draw.setBrush(QColor(0, 255, 0));
    draw.drawEllipse(QRect(80, 80, 95, 95));
    return {drawing, drawing.rect(), QRectF(0.4, 0.3, 0.2, 0.35), 0.7, qRgb(0, 0, 0)};
}

// Many viewers: a heat surface over the whole video, transparent where nobody looked.
AlphaBitmap heatSurface()
{
    QImage surface(512, 512, QImage::Format_ARGB32);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
            surface.setPixel(x, y, ((x / 32 + y / 32) % 3) == 0 ? 0xCF00FF00 : 0);
    return {surface, surface.rect(), QRectF(0, 0, 1, 1), 1.0, qRgb(0, 0, 0)};
}

// From the streaming thread's hand-over to the frame the GUI thread paints.
void BM_FrameDelivery(benchmark::State& state)
{
    static int argc = 1;
    static char name[] = "media_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    GstSample* sample = makeFrameSample();
    int announced = 0;
    FrameDelivery delivery([&] { ++announced; });
    for (auto _ : state) {
        delivery.offer(sample);
        QCoreApplication::sendPostedEvents();
        benchmark::DoNotOptimize(delivery.newestFrame().constBits());
    }
    gst_sample_unref(sample);
    state.counters["announced"] = announced;
}
BENCHMARK(BM_FrameDelivery);

void paintFrame(benchmark::State& state, const QRect& source, const MixerBitmap* mixer)
{
    const QImage frame = testFrame();
    QImage window(kWidth, kHeight + kSliderHeight, QImage::Format_RGB32);
    const QRect video(0, 0, kWidth, kHeight);
    for (auto _ : state) {
        QPainter painter(&window);
        VideoPainter::paint(painter, frame, source, video, mixer);
        benchmark::ClobberMemory();
    }
}

void BM_PaintFrame(benchmark::State& state)
{
    paintFrame(state, QRect(0, 0, kWidth, kHeight), nullptr);
}
BENCHMARK(BM_PaintFrame);

// View scale 0.5 x 0.5: every frame is stretched to twice its size.
void BM_PaintFrameScaled(benchmark::State& state)
{
    paintFrame(state, QRect(0, 0, kWidth / 2, kHeight / 2), nullptr);
}
BENCHMARK(BM_PaintFrameScaled);

void BM_PaintFrameWithGaze(benchmark::State& state)
{
    MixerBitmap mixer;
    mixer.SetAlphaBitmap(gazeBitmap());
    paintFrame(state, QRect(0, 0, kWidth, kHeight), &mixer);
}
BENCHMARK(BM_PaintFrameWithGaze);

void BM_PaintFrameWithHeatSurface(benchmark::State& state)
{
    MixerBitmap mixer;
    mixer.SetAlphaBitmap(heatSurface());
    paintFrame(state, QRect(0, 0, kWidth, kHeight), &mixer);
}
BENCHMARK(BM_PaintFrameWithHeatSurface);

// Handing a new overlay to the mixer, once per clock tick.
void BM_SetHeatSurface(benchmark::State& state)
{
    MixerBitmap mixer;
    const AlphaBitmap surface = heatSurface();
    for (auto _ : state)
        mixer.SetAlphaBitmap(surface);
}
BENCHMARK(BM_SetHeatSurface);

} // namespace
