#include "player/media/FrameDelivery.h"

#include <QCoreApplication>
#include <cstring>
#include <gst/video/video.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

// A width x 2 frame whose every pixel holds value.
GstSample* makeSample(GstVideoFormat format, int width, quint32 value)
{
    GstVideoInfo info;
    gst_video_info_set_format(&info, format, guint(width), 2);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    for (gsize i = 0; i + 4 <= map.size; i += 4)
        memcpy(map.data + i, &value, 4);
    gst_buffer_unmap(buffer, &map);
    GstCaps* caps = gst_video_info_to_caps(&info);
    GstSample* sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    gst_buffer_unref(buffer);
    gst_caps_unref(caps);
    return sample;
}

class FrameDeliveryTest : public testing::Test
{
protected:
    void SetUp() override { gst_init(nullptr, nullptr); }
};

} // namespace

TEST_F(FrameDeliveryTest, KeepsOnlyTheNewestFrameAndAnnouncesItOnce)
{
    int announced = 0;
    FrameDelivery delivery([&] { ++announced; });
    std::thread streaming([&] {
        for (quint32 value : {0xFF000001u, 0xFF000002u, 0xFF000003u}) {
            GstSample* sample = makeSample(GST_VIDEO_FORMAT_BGRx, 4, value);
            delivery.offer(sample);
            gst_sample_unref(sample);
        }
    });
    streaming.join();
    EXPECT_EQ(announced, 0);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(announced, 1);
    const QImage frame = delivery.newestFrame();
    ASSERT_EQ(frame.size(), QSize(4, 2));
    EXPECT_EQ(frame.format(), QImage::Format_RGB32);
    EXPECT_EQ(frame.pixel(3, 1), 0xFF000003u);

    GstSample* later = makeSample(GST_VIDEO_FORMAT_BGRx, 4, 0xFF000004u);
    delivery.offer(later);
    gst_sample_unref(later);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(announced, 2);
    EXPECT_EQ(delivery.newestFrame().pixel(0, 0), 0xFF000004u);
    // A frame taken earlier still shows what it showed.
    EXPECT_EQ(frame.pixel(3, 1), 0xFF000003u);
}

TEST_F(FrameDeliveryTest, WrapsOnlyFormatsThatPaintDirectly)
{
    GstSample* bgra = makeSample(GST_VIDEO_FORMAT_BGRA, 3, 0x80102030u);
    const QImage withAlpha = FrameDelivery::imageFromSample(bgra);
    ASSERT_FALSE(withAlpha.isNull());
    EXPECT_EQ(withAlpha.format(), QImage::Format_ARGB32);
    EXPECT_EQ(withAlpha.pixel(2, 1), 0x80102030u);
    gst_sample_unref(bgra);

    GstSample* yuv = makeSample(GST_VIDEO_FORMAT_I420, 4, 0);
    int announced = 0;
    FrameDelivery delivery([&] { ++announced; });
    delivery.offer(yuv);
    gst_sample_unref(yuv);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(announced, 0);
    EXPECT_TRUE(delivery.newestFrame().isNull());
}

TEST_F(FrameDeliveryTest, FrameHoldsItsBufferUntilTheLastCopyIsGone)
{
    GstSample* sample = makeSample(GST_VIDEO_FORMAT_BGRx, 4, 0xFF112233u);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    const int before = GST_MINI_OBJECT_REFCOUNT_VALUE(buffer);
    {
        FrameDelivery delivery({});
        delivery.offer(sample);
        QImage copy = delivery.newestFrame();
        delivery.clear();
        EXPECT_GT(GST_MINI_OBJECT_REFCOUNT_VALUE(buffer), before);
        EXPECT_EQ(copy.pixel(1, 1), 0xFF112233u);
    }
    EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(buffer), before);
    gst_sample_unref(sample);
}
