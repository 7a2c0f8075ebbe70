#include "render/I420Blend.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kOne = 1 << 16;

std::uint8_t clampByte(int value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

} // namespace

I420Blend::I420Blend(double kr, double kb, const int offset[3], const int scale[3])
{
    const double kg = 1.0 - kr - kb;
    // Rows of the RGB to Y'CbCr matrix, before the range's scale.
    const double rows[3][3] = {{kr, kg, kb},
                               {-kr / (2 * (1 - kb)), -kg / (2 * (1 - kb)), 0.5},
                               {0.5, -kg / (2 * (1 - kr)), -kb / (2 * (1 - kr))}};
    for (int plane = 0; plane < 3; ++plane) {
        offset_[plane] = offset[plane];
        for (int channel = 0; channel < 3; ++channel)
            weight_[plane][channel] =
                static_cast<int>(std::lround(rows[plane][channel] * scale[plane] / 255.0 * kOne));
    }
}

I420Blend I420Blend::bt601()
{
    const int offset[3] = {16, 128, 128};
    const int scale[3] = {219, 224, 224};
    return I420Blend(0.299, 0.114, offset, scale);
}

void I420Blend::blend(const I420Planes& frame, const QImage& picture, QPoint at) const
{
    const int left = std::max(0, at.x());
    const int top = std::max(0, at.y());
    const int right = std::min(frame.width, at.x() + picture.width());
    const int bottom = std::min(frame.height, at.y() + picture.height());
    if (left >= right || top >= bottom || picture.format() != QImage::Format_ARGB32_Premultiplied)
        return;
    const auto line = [&](int y) {
        return y >= top && y < bottom
                   ? reinterpret_cast<const QRgb*>(picture.constScanLine(y - at.y())) - at.x()
                   : nullptr;
    };

    // The colour is an affine function of RGB, so blending after conversion
    // equals converting after blending: out = in * (1 - a) + offset * a + M * premultiplied.
    // A transparent pixel (0 when premultiplied) leaves the sample as it was,
    // so the loops need no test and the compiler may vectorise them.
    const int wr = weight_[0][0];
    const int wg = weight_[0][1];
    const int wb = weight_[0][2];
    const int black = offset_[0];
    for (int y = top; y < bottom; ++y) {
        const QRgb* __restrict source = line(y) + left;
        std::uint8_t* __restrict luma =
            frame.data[0] + static_cast<std::ptrdiff_t>(y) * frame.stride[0] + left;
        const int count = right - left;
        for (int x = 0; x < count; ++x) {
            const std::uint32_t pixel = source[x];
            const int a = static_cast<int>(pixel >> 24);
            const int value =
                ((luma[x] * (255 - a) + black * a) * 257 + wr * static_cast<int>((pixel >> 16) & 0xFF) +
                 wg * static_cast<int>((pixel >> 8) & 0xFF) + wb * static_cast<int>(pixel & 0xFF) +
                 kOne / 2) >>
                16;
            luma[x] = static_cast<std::uint8_t>(std::min(std::max(value, 0), 255));
        }
    }

    // Each chroma sample stands for up to four pixels, fewer at the frame's
    // right and bottom edges; pixels outside the picture count as transparent.
    const auto pixelOf = [&](const QRgb* row, int x) {
        return row != nullptr && x >= left && x < right ? row[x] : 0u;
    };
    const auto mixChroma = [this](std::uint8_t* u, std::uint8_t* v, const QRgb(&pixels)[4], int covered) {
        int alpha = 0;
        int red = 0;
        int green = 0;
        int blue = 0;
        for (const QRgb pixel : pixels) {
            alpha += qAlpha(pixel);
            red += qRed(pixel);
            green += qGreen(pixel);
            blue += qBlue(pixel);
        }
        if (alpha == 0)
            return;
        const int whole = covered * 255;
        const int divisor = covered * kOne;
        const auto mix = [&](std::uint8_t& sample, int plane) {
            const int sum = (sample * (whole - alpha) + offset_[plane] * alpha) * 257 +
                            weight_[plane][0] * red + weight_[plane][1] * green + weight_[plane][2] * blue;
            // Rounded to the nearest, also below zero where integer division would truncate.
            sample = clampByte(sum >= 0 ? (sum + divisor / 2) / divisor : -((-sum + divisor / 2) / divisor));
        };
        mix(*u, 1);
        mix(*v, 2);
    };
    for (int cy = top / 2; cy <= (bottom - 1) / 2; ++cy) {
        const int y = 2 * cy;
        const QRgb* upper = line(y);
        const QRgb* lower = line(y + 1);
        std::uint8_t* u = frame.data[1] + static_cast<std::ptrdiff_t>(cy) * frame.stride[1];
        std::uint8_t* v = frame.data[2] + static_cast<std::ptrdiff_t>(cy) * frame.stride[2];
        const int rows = std::min(2, frame.height - y);
        const auto edgeBlock = [&](int cx) {
            const int x = 2 * cx;
            const QRgb pixels[4] = {pixelOf(upper, x), pixelOf(upper, x + 1), pixelOf(lower, x),
                                    pixelOf(lower, x + 1)};
            mixChroma(u + cx, v + cx, pixels, rows * std::min(2, frame.width - x));
        };
        const int firstWhole = (left + 1) / 2; // blocks with all four pixels in the picture
        const int endWhole = right / 2;
        if (upper == nullptr || lower == nullptr || firstWhole >= endWhole) {
            for (int cx = left / 2; cx <= (right - 1) / 2; ++cx)
                edgeBlock(cx);
            continue;
        }
        if (left / 2 < firstWhole)
            edgeBlock(left / 2);
        const int uBlack = offset_[1];
        const int vBlack = offset_[2];
        const int(&uw)[3] = weight_[1];
        const int(&vw)[3] = weight_[2];
        const QRgb* __restrict up = upper + 2 * firstWhole;
        const QRgb* __restrict down = lower + 2 * firstWhole;
        std::uint8_t* __restrict us = u + firstWhole;
        std::uint8_t* __restrict vs = v + firstWhole;
        const int count = endWhole - firstWhole;
        for (int i = 0; i < count; ++i) {
            const std::uint32_t p0 = up[2 * i];
            const std::uint32_t p1 = up[2 * i + 1];
            const std::uint32_t p2 = down[2 * i];
            const std::uint32_t p3 = down[2 * i + 1];
            const auto sum = [&](int shift) {
                return static_cast<int>(((p0 >> shift) & 0xFF) + ((p1 >> shift) & 0xFF) +
                                        ((p2 >> shift) & 0xFF) + ((p3 >> shift) & 0xFF));
            };
            const int alpha = sum(24);
            const int red = sum(16);
            const int green = sum(8);
            const int blue = sum(0);
            // Four pixels: a divisor of 4 * 65536, a shift.
            const int uValue = ((us[i] * (1020 - alpha) + uBlack * alpha) * 257 + uw[0] * red +
                                uw[1] * green + uw[2] * blue + (1 << 17)) >>
                               18;
            const int vValue = ((vs[i] * (1020 - alpha) + vBlack * alpha) * 257 + vw[0] * red +
                                vw[1] * green + vw[2] * blue + (1 << 17)) >>
                               18;
            us[i] = static_cast<std::uint8_t>(std::min(std::max(uValue, 0), 255));
            vs[i] = static_cast<std::uint8_t>(std::min(std::max(vValue, 0), 255));
        }
        for (int cx = std::max(endWhole, firstWhole); cx <= (right - 1) / 2; ++cx)
            edgeBlock(cx);
    }
}
