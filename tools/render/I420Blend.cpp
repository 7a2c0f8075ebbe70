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
    // The colour is an affine function of RGB, so blending after conversion
    // equals converting after blending: out = in * (1 - a) + offset * a + M * premultiplied.
    for (int y = top; y < bottom; ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(picture.constScanLine(y - at.y())) - at.x();
        std::uint8_t* luma = frame.data[0] + static_cast<std::ptrdiff_t>(y) * frame.stride[0];
        for (int x = left; x < right; ++x) {
            const QRgb pixel = source[x];
            const int a = qAlpha(pixel);
            if (a == 0)
                continue;
            const int r = qRed(pixel);
            const int g = qGreen(pixel);
            const int b = qBlue(pixel);
            const int value = ((luma[x] * (255 - a) + offset_[0] * a) * 257 + weight_[0][0] * r +
                               weight_[0][1] * g + weight_[0][2] * b + kOne / 2) >>
                              16;
            luma[x] = clampByte(value);
        }
    }
    // A chroma sample stands for up to four pixels; those outside the picture add no alpha.
    for (int cy = top / 2; cy <= (bottom - 1) / 2; ++cy) {
        std::uint8_t* u = frame.data[1] + static_cast<std::ptrdiff_t>(cy) * frame.stride[1];
        std::uint8_t* v = frame.data[2] + static_cast<std::ptrdiff_t>(cy) * frame.stride[2];
        const int rowFrom = 2 * cy;
        const int rowTo = std::min(2 * cy + 2, frame.height);
        for (int cx = left / 2; cx <= (right - 1) / 2; ++cx) {
            const int columnFrom = 2 * cx;
            const int columnTo = std::min(2 * cx + 2, frame.width);
            int covered = 0;
            int alpha = 0;
            int red = 0;
            int green = 0;
            int blue = 0;
            for (int y = rowFrom; y < rowTo; ++y) {
                const bool inside = y >= top && y < bottom;
                const auto* source =
                    inside ? reinterpret_cast<const QRgb*>(picture.constScanLine(y - at.y())) - at.x()
                           : nullptr;
                for (int x = columnFrom; x < columnTo; ++x) {
                    ++covered;
                    if (!inside || x < left || x >= right)
                        continue;
                    const QRgb pixel = source[x];
                    alpha += qAlpha(pixel);
                    red += qRed(pixel);
                    green += qGreen(pixel);
                    blue += qBlue(pixel);
                }
            }
            if (alpha == 0)
                continue;
            const int whole = covered * 255;
            const int divisor = covered * kOne;
            const auto mix = [&](std::uint8_t& sample, int plane) {
                const int sum = (sample * (whole - alpha) + offset_[plane] * alpha) * 257 +
                                weight_[plane][0] * red + weight_[plane][1] * green +
                                weight_[plane][2] * blue;
                sample = clampByte(static_cast<int>(std::floor((sum + divisor / 2.0) / divisor)));
            };
            mix(u[cx], 1);
            mix(v[cx], 2);
        }
    }
}
